// The host's records must have exactly the layout the 32-bit IDE uses.
#include "contract.h"

#include <cstddef>

#define SUITE_FIELD_FOLLOWS(type, field, previous)                                                         \
    static_assert(offsetof(type, field) > offsetof(type, previous), #field " must follow " #previous)

SUITE_FIELD_FOLLOWS(_NodeTag, folder, project);
SUITE_FIELD_FOLLOWS(_NodeTag, file, folder);
SUITE_FIELD_FOLLOWS(_PlatInfo, ulFamily, pwszName);
SUITE_FIELD_FOLLOWS(_PlatInfo, pwszDevType, ulFamily);
SUITE_FIELD_FOLLOWS(_PlatInfo, ulWidth, pwszDevType);
SUITE_FIELD_FOLLOWS(_MENUITEM, lInsertionPoint, lCommandID);
SUITE_FIELD_FOLLOWS(_MENUITEM, fFlags, lInsertionPoint);
SUITE_FIELD_FOLLOWS(_MENUITEM, fSpecialFlags, fFlags);
SUITE_FIELD_FOLLOWS(_MENUITEM, fState, fSpecialFlags);
SUITE_FIELD_FOLLOWS(_MENUITEM, pszName, fState);
SUITE_FIELD_FOLLOWS(_MENUITEM, pszStatusBarText, pszName);
SUITE_FIELD_FOLLOWS(_MENUITEM, HotKey, pszStatusBarText);
SUITE_FIELD_FOLLOWS(_HOTKEY, bModifier, wKey);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, lInsertionPoint, lCommandID);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, fFlags, lInsertionPoint);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, fStyle, fFlags);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, fState, fStyle);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, pszStatusBarText, fState);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, pszTooltipText, pszStatusBarText);
SUITE_FIELD_FOLLOWS(_TOOLBARCONTROL, sWidth, pszTooltipText);

static_assert(sizeof(_HOTKEY) == 4, "hot-key record is 4 bytes");
static_assert(sizeof(FileCat) == 4 && sizeof(PathType) == 4 && sizeof(ECLFlag) == 4, "enumerations are 32-bit");

#if defined(__i386__) || defined(_M_IX86)
// The IDE is a 32-bit program: every field is 32 bits (or stated smaller) and
// there are no gaps.
static_assert(sizeof(_NodeTag) == 12, "_NodeTag is 12 bytes");
static_assert(offsetof(_NodeTag, project) == 0 && offsetof(_NodeTag, folder) == 4 && offsetof(_NodeTag, file) == 8);
static_assert(sizeof(_PlatInfo) == 16, "_PlatInfo is 16 bytes");
static_assert(offsetof(_PlatInfo, pwszName) == 0 && offsetof(_PlatInfo, ulFamily) == 4 &&
              offsetof(_PlatInfo, pwszDevType) == 8 && offsetof(_PlatInfo, ulWidth) == 12);
static_assert(sizeof(_MENUITEM) == 32, "_MENUITEM is 32 bytes");
static_assert(offsetof(_MENUITEM, lCommandID) == 0 && offsetof(_MENUITEM, lInsertionPoint) == 4 &&
              offsetof(_MENUITEM, fFlags) == 8 && offsetof(_MENUITEM, fSpecialFlags) == 12 &&
              offsetof(_MENUITEM, fState) == 16 && offsetof(_MENUITEM, pszName) == 20 &&
              offsetof(_MENUITEM, pszStatusBarText) == 24 && offsetof(_MENUITEM, HotKey) == 28);
static_assert(offsetof(_HOTKEY, wKey) == 0 && offsetof(_HOTKEY, bModifier) == 2);
static_assert(sizeof(_TOOLBARCONTROL) == 32, "_TOOLBARCONTROL is 32 bytes");
static_assert(offsetof(_TOOLBARCONTROL, lCommandID) == 0 && offsetof(_TOOLBARCONTROL, lInsertionPoint) == 4 &&
              offsetof(_TOOLBARCONTROL, fFlags) == 8 && offsetof(_TOOLBARCONTROL, fStyle) == 12 &&
              offsetof(_TOOLBARCONTROL, fState) == 16 && offsetof(_TOOLBARCONTROL, pszStatusBarText) == 20 &&
              offsetof(_TOOLBARCONTROL, pszTooltipText) == 24 && offsetof(_TOOLBARCONTROL, sWidth) == 28);
#endif
