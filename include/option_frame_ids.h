// Resource ids of the option page frame: its dialog template and the
// controls the framework drives. The module's resources hold the template,
// built with these ids (resource scripts include this file too, so it holds
// nothing but definitions).
#pragma once

#define IDD_OPTIONS_FRAME 104

#define IDC_CATEGORIES 202
#define IDC_INHERIT 204
#define IDC_GENERATED_LINE 205
#define IDC_RESTORE_DEFAULTS 233
#define IDC_USE_ALTERNATE 282
#define IDC_ALTERNATE_LINE 283
