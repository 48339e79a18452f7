// The option page framework: one property page per tool-arguments object. A
// fixed frame (the categories list, the generated command line, "Inherit
// global settings", "Restore Defaults", "Use Alternate Settings" and the
// alternate line) holds one child dialog per category with the tool's own
// controls. Controls and text stay in step through an OptionParser over the
// page's working text; Apply writes the text and flags back into the
// argument object, which the page keeps alive while it exists.
//
// A tool page only parameterises CTAP_Base2 and supplies its patterns, its
// data exchange and its control handlers:
//
//   class CTAP_TARNIVas final : public suite::CTAP_Base2<CTAP_TARNIVas, AssemblerOptions> {
//   public:
//       static constexpr wchar_t kTitle[] = L"TARNIV18 Assembler";
//       static constexpr CategoryEntry kCategories[] = {{"(All Options)", IDD_ASSEMBLER_OPTIONS}};
//       ...
//   };
#pragma once

#include "com_ptr.h"
#include "contract.h"
#include "level_flags.h"
#include "option_parser.h"
#include "property_page.h"

#include <iterator>
#include <memory>
#include <vector>

namespace suite {

enum class Exchange {
    Save, // controls to option state
    Load, // option state to controls
};

// One category of a page: its name in the categories list and the resource
// id of its child dialog.
struct CategoryEntry {
    char name[128];
    WORD dialog;
};

// What the argument object hands its page. The three texts must exist; so
// must the project and the display. The page takes its own references.
struct PageArguments {
    char* storedText = nullptr;          // the object's text buffer, written on Apply
    const char* inheritedText = nullptr; // the parent's text, or the tool's default text
    const char* defaultText = nullptr;   // what "Restore Defaults" puts back
    bool* defaultFlag = nullptr;
    bool* alternateFlag = nullptr;
    bool parentAlternate = false;
    bool projectLevel = true;
    IProject* project = nullptr;
    IProjectNode* node = nullptr;
    IProjectDisplay* display = nullptr;
    // The argument object whose text and flags the page writes: held for the
    // page's whole life, so a host releasing it early cannot leave the page
    // writing into freed memory.
    IUnknown* owner = nullptr;
};

class OptionPageFrame : public PropertyPage {
public:
    // The working, stored and inherited texts: 2047 characters and a terminator.
    static constexpr size_t kTextSize = OptionParser::kLineSize;

    ~OptionPageFrame() override;

    // The text the page shows now (for tests and the host's scripts).
    const char* WorkingText() const noexcept { return working_; }

protected:
    // Raises XLogged(E_INVALIDARG) when a text, the project or the display is missing.
    OptionPageFrame(const PageArguments& arguments, const wchar_t* title, const CategoryEntry* categories,
                    size_t categoryCount);

    // What the tool page supplies.
    virtual void AddPatterns(OptionParser& parser) = 0; // in the order of the generated line
    virtual void FillLists() {}                         // the category dialogs' lists
    virtual void ExchangeData(Exchange direction) = 0;  // Load ends with ShowText
    virtual void ResetOptions() = 0;
    // A notification of one of the tool's controls (WM_COMMAND); true when handled.
    virtual bool OnCommand(int id, int code, HWND control) { return false; }

    // The framework's steps.
    void ReadCurrentText();
    void ShowText();
    void SyncFromText();
    void SyncToText();
    void UpdateInheritCheck();
    void OnControlChanged();

    // A control of the frame or of any category dialog; null when none has id.
    HWND Control(int id) const;
    bool IsChecked(int id) const;
    void SetChecked(int id, bool checked) const;
    // Fills a drop-down list with the 21 levels -10 .. 10 and selects "0".
    void FillLevelList(int id) const;
    int Selection(int id) const;
    void Select(int id, int item) const;

    char working_[kTextSize] = {};

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    static INT_PTR CALLBACK CategoryProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    void InitDialog();
    void CreateCategoryDialogs();
    bool OnFrameCommand(int id, int code);
    void ShowCategory(int index);
    void OnInheritClicked();
    void OnRestoreDefaults();
    void OnUseAlternateClicked();
    void Apply();
    void SetAlternateText(const char* text);

    std::unique_ptr<OptionParser> parser_;
    char* storedText_;
    char inheritedText_[kTextSize] = {}; // a copy: the object's scratch buffer may be refilled
    const char* defaultText_;
    bool* defaultFlag_;
    bool* alternateFlag_;
    bool parentAlternate_;
    bool projectLevel_;
    ComPtr<IProject> project_;
    ComPtr<IProjectNode> node_;
    ComPtr<IProjectDisplay> display_;
    ComPtr<IUnknown> owner_;
    const CategoryEntry* categories_;
    size_t categoryCount_;
    std::vector<HWND> categoryDialogs_; // this page's own, in category order
    HWND generatedLine_ = nullptr;      // 205
    HWND alternateLine_ = nullptr;      // 283
    HWND useAlternate_ = nullptr;       // 282
    HWND categoryList_ = nullptr;       // 202
    HWND inherit_ = nullptr;            // 204
    bool alternateTextGuard_ = false;
};

// The framework parameterised by the tool page's title and categories and
// its option state (Reset() and AddPatterns(OptionParser&)).
template <class Derived, class Options> class CTAP_Base2 : public OptionPageFrame {
protected:
    explicit CTAP_Base2(const PageArguments& arguments)
        : OptionPageFrame(arguments, Derived::kTitle, Derived::kCategories, std::size(Derived::kCategories)) {
    }

    // A check box or radio button standing for one flag of the option state.
    struct CheckBox {
        int id;
        bool Options::*flag;
    };
    template <size_t N> void ExchangeCheckBoxes(Exchange direction, const CheckBox (&boxes)[N]) {
        for (const CheckBox& box : boxes) {
            if (direction == Exchange::Save)
                options_.*box.flag = IsChecked(box.id);
            else
                SetChecked(box.id, options_.*box.flag);
        }
    }
    template <size_t N> static bool IsOneOf(int id, const CheckBox (&boxes)[N]) {
        for (const CheckBox& box : boxes)
            if (box.id == id)
                return true;
        return false;
    }

    // A drop-down list of the 21 levels standing for one level option of the option state.
    struct LevelList {
        int id;
        LevelFlags Options::*levels;
    };
    template <size_t N> void FillLevelLists(const LevelList (&lists)[N]) const {
        for (const LevelList& list : lists)
            FillLevelList(list.id);
    }
    template <size_t N> void ExchangeLevelLists(Exchange direction, const LevelList (&lists)[N]) {
        for (const LevelList& list : lists) {
            if (direction == Exchange::Save)
                (options_.*list.levels).SetFromItem(Selection(list.id));
            else
                Select(list.id, (options_.*list.levels).ShownItem());
        }
    }

    Options options_;

private:
    void AddPatterns(OptionParser& parser) override { options_.AddPatterns(parser); }
    void ResetOptions() override { options_.Reset(); }
};

} // namespace suite
