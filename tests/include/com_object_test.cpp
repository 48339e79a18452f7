// The COM plumbing every class of the module is built on.
#include "com_object.h"

#include <gtest/gtest.h>

namespace {

using suite::ComPtr;
using suite::com::ClassFactory;
using suite::com::ModuleLock;

class Widget : public suite::com::Object<Widget, ISuiteEx, IPersist> {
public:
    static inline int destroyed = 0;
    ~Widget() override { ++destroyed; }

    // ISuite / ISuiteEx: not exercised here.
#define WIDGET_UNUSED(sig)                                                                                   \
    HRESULT STDMETHODCALLTYPE sig override {                                                                 \
        return E_NOTIMPL;                                                                                    \
    }
    WIDGET_UNUSED(Process(ULONG, _NodeTag*, ULONG, IProject*, IProjectManager*))
    WIDGET_UNUSED(Build(_NodeTag*, ULONG, IProject*, IProjectManager*))
    WIDGET_UNUSED(Make(_NodeTag*, ULONG, IProject*, IProjectManager*))
    WIDGET_UNUSED(GetVisibleFolders(VisibleFolderFlag*))
    WIDGET_UNUSED(GetMainCmds(IExtendMenu**))
    WIDGET_UNUSED(GetProjectCmds(IExtendMenu**))
    WIDGET_UNUSED(GetFileCmds(IExtendMenu**))
    WIDGET_UNUSED(SetMainMenuInsertionPoint(UINT))
    WIDGET_UNUSED(SetProjectMenuInsertionPoint(UINT))
    WIDGET_UNUSED(SetFileMenuInsertionPoint(UINT))
    WIDGET_UNUSED(AddToolbarBitmap(IToolbar*, UINT*))
    WIDGET_UNUSED(GetNumTools(ULONG*))
    WIDGET_UNUSED(GetTool(ULONG, ITool**))
    WIDGET_UNUSED(CreateArgs(ISuiteArgs**))
    WIDGET_UNUSED(GetName(LPWSTR*))
    WIDGET_UNUSED(GetInternalName(LPWSTR*))
    WIDGET_UNUSED(GetFolderFilter(FileCat, LPWSTR*))
    WIDGET_UNUSED(GetCLSIDOfToolForSuffix(GUID***, ULONG*, LPCWSTR))
    WIDGET_UNUSED(ResetFileDialogString())
    WIDGET_UNUSED(GetFileDialogString(LPWSTR*))
    WIDGET_UNUSED(GetFileDialogStringIndex(int*, FileCat))
    WIDGET_UNUSED(LoadToolLocations())
    WIDGET_UNUSED(SaveToolLocations())
    WIDGET_UNUSED(SetManager(IProjectManager*))
    WIDGET_UNUSED(Unload())
    WIDGET_UNUSED(ApplyDefaultPaths(DWORD, IProject*))
    WIDGET_UNUSED(IsGenericDeviceName(DWORD, LPCWSTR))
    WIDGET_UNUSED(QueryPathTypeFlag(PathType, DWORD))
    WIDGET_UNUSED(GetDefaultPath(LPWSTR*, int))
    WIDGET_UNUSED(SetDefaultPath(LPCWSTR, int))
    WIDGET_UNUSED(LoadDefaultPaths())
    WIDGET_UNUSED(SaveDefaultPaths())
#undef WIDGET_UNUSED
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        *clsid = CLSID_S_TARNIV18;
        return S_OK;
    }
};

TEST(ComObjectQueryInterface, AnswersItsInterfacesAndTheTablesTheyContinue) {
    ComPtr<Widget> widget = suite::com::make<Widget>();
    ComPtr<ISuiteEx> ex;
    ComPtr<ISuite> base;
    ComPtr<IPersist> persist;
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(S_OK, widget->QueryInterface(__uuidof(ISuiteEx), ex.put_void()));
    ASSERT_EQ(S_OK, widget->QueryInterface(__uuidof(ISuite), base.put_void()));
    ASSERT_EQ(S_OK, widget->QueryInterface(__uuidof(IPersist), persist.put_void()));
    ASSERT_EQ(S_OK, widget->QueryInterface(IID_IUnknown, unknown.put_void()));
    // ISuiteEx continues ISuite's table: one pointer answers both.
    EXPECT_EQ(static_cast<void*>(ex.get()), static_cast<void*>(base.get()));
    // The identity is the first interface.
    EXPECT_EQ(static_cast<void*>(unknown.get()), static_cast<void*>(ex.get()));
    EXPECT_NE(static_cast<void*>(persist.get()), static_cast<void*>(ex.get()));
    // And every interface leads back to the same identity.
    ComPtr<IUnknown> fromPersist = persist.as<IUnknown>();
    EXPECT_EQ(unknown.get(), fromPersist.get());
}

TEST(ComObjectQueryInterface, RefusesOtherInterfacesWithANullPointer) {
    ComPtr<Widget> widget = suite::com::make<Widget>();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, widget->QueryInterface(__uuidof(ITool), &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, widget->QueryInterface(__uuidof(ISuite), nullptr));
}

TEST(ComObjectLifetime, LastReleaseDestroysAndFreesTheModuleLock) {
    const long before = ModuleLock::count();
    const int destroyedBefore = Widget::destroyed;
    {
        ComPtr<Widget> widget = suite::com::make<Widget>();
        EXPECT_EQ(before + 1, ModuleLock::count());
        ComPtr<IPersist> persist = widget.as<IPersist>();
        widget.reset();
        EXPECT_EQ(destroyedBefore, Widget::destroyed) << "a reference is still held";
    }
    EXPECT_EQ(destroyedBefore + 1, Widget::destroyed);
    EXPECT_EQ(before, ModuleLock::count());
}

TEST(ClassFactory, CreatesInstancesAndRefusesAggregation) {
    ClassFactory factory(&suite::com::create_instance<Widget>);
    ComPtr<IPersist> persist;
    ASSERT_EQ(S_OK, factory.CreateInstance(nullptr, __uuidof(IPersist), persist.put_void()));
    CLSID clsid{};
    EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_S_TARNIV18));

    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory.CreateInstance(persist.get(), __uuidof(IPersist), &out));
    EXPECT_EQ(nullptr, out);
}

TEST(ClassFactory, AnInterfaceTheClassLacksLeavesNoObjectBehind) {
    ClassFactory factory(&suite::com::create_instance<Widget>);
    const long before = ModuleLock::count();
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, factory.CreateInstance(nullptr, __uuidof(ITool), &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(before, ModuleLock::count());
}

TEST(ClassFactory, LockServerHoldsTheModule) {
    ClassFactory factory(&suite::com::create_instance<Widget>);
    const long before = ModuleLock::count();
    factory.LockServer(TRUE);
    factory.LockServer(TRUE);
    EXPECT_EQ(before + 2, ModuleLock::count());
    factory.LockServer(FALSE);
    factory.LockServer(FALSE);
    EXPECT_EQ(before, ModuleLock::count());
}

TEST(CoTaskString, OwnsWhatCrossesTheBoundary) {
    suite::CoTaskString text = suite::CoTaskString::copy_of(L"abc");
    ASSERT_TRUE(text);
    EXPECT_STREQ(L"abc", text.get());
    // [in,out]: the callee frees the old text and stores another.
    wchar_t** slot = text.inout();
    CoTaskMemFree(*slot);
    *slot = suite::CoTaskString::copy_of(L"replaced").release();
    EXPECT_STREQ(L"replaced", text.get());
    // [out]: what was held is freed before the callee writes.
    wchar_t** out = text.put();
    EXPECT_EQ(nullptr, *out);
    EXPECT_TRUE(text.empty());
    EXPECT_STREQ(L"", text.c_str());
}

} // namespace
