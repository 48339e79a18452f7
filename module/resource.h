// Resource identifiers of the module.
#pragma once

#define IDS_PROJNAME 100

// Build messages written to the host's build output.
#define IDS_CLEAN_FAILED 101
#define IDS_SKIPPING_LINK 102
#define IDS_LINK_FAILED 103
#define IDS_NO_LINKER_SCRIPT 104 // no path of this suite writes it
#define IDS_UNRECOGNIZED_COMMAND 105
#define IDS_NO_SOURCE_FILES 106
#define IDS_PROJECT_CORRUPTED 107
#define IDS_NO_TOOL_FOR_SUFFIX 108
#define IDS_DEVICE_UNSUPPORTED 109
#define IDS_TOOL_NOT_LOCATED 110
#define IDS_CMDLINE_FAILED 111
#define IDS_NO_TOOL_SETTINGS 112
#define IDS_NO_SUITE_SETTINGS 113 // no path of this suite writes it
#define IDS_HALTING_BUILD 114
#define IDS_MEMORY_LOCKED 115

// Toolbar images (Make, Build All).
#define IDB_TOOLBAR 203

// Registry scripts, one per class.
#define IDR_TA_TARNIV18LD 208
#define IDR_SA_TARNIV18 209
#define IDR_T_TARNIV18AS 210
#define IDR_T_TARNIV18CC 211
#define IDR_T_TARNIV18LD 212
#define IDR_TA_TARNIV18AS 213
#define IDR_TA_TARNIV18CC 214
#define IDR_S_TARNIV18 215
