// Resource identifiers of the module.
#pragma once

// The option page frame's template and controls.
#include "option_frame_ids.h"

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

// Registry scripts: one per class (all of one text) and the module's entry
// in the IDE's product listing.
#define IDR_TA_TARNIV18LD 208
#define IDR_SA_TARNIV18 209
#define IDR_T_TARNIV18AS 210
#define IDR_T_TARNIV18CC 211
#define IDR_T_TARNIV18LD 212
#define IDR_TA_TARNIV18AS 213
#define IDR_TA_TARNIV18CC 214
#define IDR_S_TARNIV18 215
#define IDR_PRODUCT_LISTING 216

// Dialog templates: the tools' category dialogs, the blank suite page and
// the small "Enter Macro" dialog.
#define IDD_ASSEMBLER_OPTIONS 106
#define IDD_COMPILER_GENERAL 108
#define IDD_COMPILER_OUTPUT 109
#define IDD_COMPILER_DIAGNOSTICS 111
#define IDD_LINKER_OPTIONS 112
#define IDD_SUITE_PAGE 233
#define IDD_ENTER_MACRO 234

// "Enter Macro": the macro's edit (OK and Cancel are IDOK and IDCANCEL).
#define IDC_MACRO_TEXT 284

// Assembler options.
#define IDC_AS_CROSS_REFERENCE 217
#define IDC_AS_OPTIMIZE 218
#define IDC_AS_STRIP_LOCALS 219

// C compiler options: General.
#define IDC_CC_SIGNED_CHAR 228
#define IDC_CC_STRICT 229
#define IDC_CC_DOUBLE_24 230
#define IDC_CC_DOUBLE_32 231
#define IDC_CC_MACROS 237
#define IDC_CC_MACRO_ADD 238
#define IDC_CC_MACRO_REMOVE 239
#define IDC_CC_MACRO_REMOVE_ALL 240
// Output & Debug.
#define IDC_CC_OPTIMIZATION_LEVEL 232
#define IDC_CC_POST_PASS 209
#define IDC_CC_STRIP_LOCALS 214
#define IDC_CC_DEBUG_INFO 234
#define IDC_CC_ICD 235
// Diagnostics.
#define IDC_CC_ASM_LIST 220
#define IDC_CC_PREPROCESSED 221
#define IDC_CC_PROTOTYPES 208
#define IDC_CC_ASM_ONLY 222
#define IDC_CC_WARNING_LEVEL 223

// Linker options.
#define IDC_LD_INTEL_HEX 209
#define IDC_LD_BINARY 211
#define IDC_LD_MOTOROLA 214
#define IDC_LD_MAP_FILE 201
#define IDC_LD_SEGMENT_MAP 203
#define IDC_LD_FAKE_LOCALS 237
#define IDC_LD_ICD 240
#define IDC_LD_DOUBLE_24 238
#define IDC_LD_DOUBLE_32 239
#define IDC_LD_WARNING_LEVEL 236
#define IDC_LD_OUTPUT_ROOT 204
