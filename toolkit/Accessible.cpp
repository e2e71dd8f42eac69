#include "Accessible.h"

#include <oleacc.h>

#include "SystemLibraries.h"

namespace {

struct TOleAcc {
  HRESULT(WINAPI* CreateStdAccessibleObject)(HWND, LONG, REFIID, void**) = nullptr;
  LRESULT(WINAPI* LresultFromObject)(REFIID, WPARAM, LPUNKNOWN) = nullptr;
  BSTR(WINAPI* SysAllocString)(const OLECHAR*) = nullptr;
  bool Loaded() const { return CreateStdAccessibleObject && LresultFromObject && SysAllocString; }
};

template <class T>
void Lookup(HMODULE Module, const char* Name, T& Function) {
  if (Module) Function = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(Module, Name)));
}

const TOleAcc& OleAcc() {
  static const TOleAcc functions = [] {
    TOleAcc f;
    // By their full paths in the system folder: never a copy beside the program.
    HMODULE oleacc = LateBound::SystemLibrary(L"oleacc.dll");
    Lookup(oleacc, "CreateStdAccessibleObject", f.CreateStdAccessibleObject);
    Lookup(oleacc, "LresultFromObject", f.LresultFromObject);
    Lookup(oleacc ? LateBound::SystemLibrary(L"oleaut32.dll") : nullptr, "SysAllocString", f.SysAllocString);
    return f;
  }();
  return functions;
}

bool IsSelf(const VARIANT& Child) { return Child.vt == VT_I4 && Child.lVal == CHILDID_SELF; }

// The system's object for the window, answering with another name and value for the window itself.
class TNamedAccessible final : public IAccessible {
 public:
  TNamedAccessible(IAccessible* Inner, HWND Wnd, const TAccessibleText& Text) : FInner(Inner), FWnd(Wnd), FText(Text) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID Iid, void** Object) override {
    if (!Object) return E_POINTER;
    if (IsEqualIID(Iid, IID_IUnknown) || IsEqualIID(Iid, IID_IDispatch) || IsEqualIID(Iid, IID_IAccessible)) {
      *Object = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    // IOleWindow, IEnumVARIANT...: the system object's, which tell the window and the children.
    return FInner->QueryInterface(Iid, Object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&FReferences)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&FReferences);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* Count) override { return FInner->GetTypeInfoCount(Count); }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT Index, LCID Locale, ITypeInfo** Info) override {
    return FInner->GetTypeInfo(Index, Locale, Info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID Iid, LPOLESTR* Names, UINT Count, LCID Locale, DISPID* Ids) override {
    return FInner->GetIDsOfNames(Iid, Names, Count, Locale, Ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID Id, REFIID Iid, LCID Locale, WORD Flags, DISPPARAMS* Params, VARIANT* Result,
                                   EXCEPINFO* Exception, UINT* ArgError) override {
    return FInner->Invoke(Id, Iid, Locale, Flags, Params, Result, Exception, ArgError);
  }

  HRESULT STDMETHODCALLTYPE get_accName(VARIANT Child, BSTR* Name) override {
    if (!IsSelf(Child) || FText.Name.empty()) return FInner->get_accName(Child, Name);
    return Text(FText.Name, Name);
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT Child, BSTR* Value) override {
    if (!IsSelf(Child) || !FText.Value || !IsWindow(FWnd)) return FInner->get_accValue(Child, Value);
    return Text(FText.Value(FWnd), Value);
  }

  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** Parent) override { return FInner->get_accParent(Parent); }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* Count) override { return FInner->get_accChildCount(Count); }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT Child, IDispatch** Object) override {
    return FInner->get_accChild(Child, Object);
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT Child, BSTR* Text) override {
    return FInner->get_accDescription(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT Child, VARIANT* Role) override { return FInner->get_accRole(Child, Role); }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT Child, VARIANT* State) override {
    return FInner->get_accState(Child, State);
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT Child, BSTR* Text) override { return FInner->get_accHelp(Child, Text); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* File, VARIANT Child, long* Topic) override {
    return FInner->get_accHelpTopic(File, Child, Topic);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT Child, BSTR* Text) override {
    return FInner->get_accKeyboardShortcut(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* Child) override { return FInner->get_accFocus(Child); }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* Children) override { return FInner->get_accSelection(Children); }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT Child, BSTR* Text) override {
    return FInner->get_accDefaultAction(Child, Text);
  }
  HRESULT STDMETHODCALLTYPE accSelect(long Flags, VARIANT Child) override { return FInner->accSelect(Flags, Child); }
  HRESULT STDMETHODCALLTYPE accLocation(long* Left, long* Top, long* Width, long* Height, VARIANT Child) override {
    return FInner->accLocation(Left, Top, Width, Height, Child);
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long Direction, VARIANT Start, VARIANT* End) override {
    return FInner->accNavigate(Direction, Start, End);
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long Left, long Top, VARIANT* Child) override {
    return FInner->accHitTest(Left, Top, Child);
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT Child) override { return FInner->accDoDefaultAction(Child); }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT Child, BSTR Name) override { return FInner->put_accName(Child, Name); }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT Child, BSTR Value) override {
    return FInner->put_accValue(Child, Value);
  }

 private:
  ~TNamedAccessible() { FInner->Release(); }
  static HRESULT Text(const std::wstring& Value, BSTR* Out) {
    if (!Out) return E_POINTER;
    *Out = OleAcc().SysAllocString(Value.c_str());
    return *Out ? S_OK : E_OUTOFMEMORY;
  }

  LONG FReferences = 1;
  IAccessible* FInner;
  HWND FWnd;
  TAccessibleText FText;
};

}  // namespace

LRESULT AccessibleObjectResult(HWND Wnd, WPARAM WParam, const TAccessibleText& Text) {
  const TOleAcc& oleacc = OleAcc();
  if (!oleacc.Loaded()) return 0;
  IAccessible* inner = nullptr;
  if (FAILED(oleacc.CreateStdAccessibleObject(Wnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&inner))) ||
      !inner)
    return 0;
  auto* named = new TNamedAccessible(inner, Wnd, Text);
  const LRESULT result = oleacc.LresultFromObject(IID_IAccessible, WParam, static_cast<IAccessible*>(named));
  named->Release();
  return result > 0 ? result : 0;
}

void AnnounceListLine(HWND List, int Index) {
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, List, OBJID_CLIENT, Index + 1);
}
