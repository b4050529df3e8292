#include "fake_outlook/fake_outlook_dispatch.h"

namespace fakeoutlook {
namespace {

// A contact item: a saved one (found through the item collection) or a
// new one that joins its folder (the default contacts folder, unless it
// came from a folder's Items.Add) when saved. Property puts
// wait in the item until Save, as in Outlook.
class ContactItem final : public DispatchObject {
 public:
  explicit ContactItem(const Contact& contact)
      : DispatchObject(L"ContactItem"), contact_(contact) {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    switch (member) {
      case kFullName: {
        if (flags & DISPATCH_PROPERTYPUT) return Property(contact_.fullName, flags, args, result);
        std::wstring composed = ComposedFullName(contact_.fullName);
        return Property(composed, flags, args, result);
      }
      case kEmail1Address: return Property(contact_.email, flags, args, result);
      case kEntryID: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        ReturnText(result, contact_.entryId);  // empty until the first save
        return S_OK;
      }
      case kNickName: return Property(contact_.nickName, flags, args, result);
      case kLastModificationTime: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({}) || !result)
          return DISP_E_BADPARAMCOUNT;
        V_VT(result) = VT_DATE;
        V_DATE(result) = contact_.modified;
        return S_OK;
      }
      case kSave: {
        if (!(flags & DISPATCH_METHOD) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        if (contact_.sequence == 0) {
          contact_ = *FindContact(AddContact(contact_));
          ++TheState().storeWrites;
          PersistState();
          return S_OK;
        }
        Contact* saved = FindContact(contact_.sequence);
        if (!saved) return RaiseException(exception, E_FAIL, L"The item has been deleted.");
        contact_.modified = NextModificationTime();
        *saved = contact_;
        ++TheState().storeWrites;
        PersistState();
        return S_OK;
      }
      case kDelete: {
        // As in Outlook: the item moves into Deleted Items (it arrives last
        // there), and only Delete in Deleted Items erases it.
        if (!(flags & DISPATCH_METHOD) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        const Contact* saved = contact_.sequence == 0 ? nullptr : FindContact(contact_.sequence);
        if (!saved) return RaiseException(exception, E_FAIL, L"The item has been deleted.");
        ++TheState().storeWrites;
        if (TheState().deletesIgnored) return S_OK;
        Contact moved = *saved;
        TheState().contacts.erase(contact_.sequence);
        if (moved.folder != kDeletedItemsFolder) {
          moved.folder = kDeletedItemsFolder;
          AddContact(std::move(moved));
        }
        PersistState();
        return S_OK;
      }
      case kParent: {
        if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
        ReturnObject(result, MakeFolder(contact_.folder));
        return S_OK;
      }
      case kMove: return Move(flags, args, result, exception);
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  // Move(DestFldr) returns the item in its new folder. Microsoft documents
  // that an EntryID changes when the item moves into another store and
  // that solutions should not rely on it otherwise: as in most stores, the
  // moved item here has a new one. The item keeps its content, the user's
  // fields and its last-modification time.
  HRESULT Move(WORD flags, const Arguments& args, VARIANT* result, EXCEPINFO* exception) {
    if (!(flags & DISPATCH_METHOD) || !args.Are({VT_DISPATCH})) return DISP_E_TYPEMISMATCH;
    IUnknown* identity = nullptr;
    IDispatch* destination = V_DISPATCH(&args.At(0));
    if (destination) {
      destination->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    }
    if (identity) identity->Release();  // only its value is needed
    const auto known = TheState().folderObjects.find(identity);
    if (known == TheState().folderObjects.end()) {
      return RaiseException(exception, E_INVALIDARG, L"The destination is not a folder.");
    }
    const Contact* saved = contact_.sequence == 0 ? nullptr : FindContact(contact_.sequence);
    if (!saved) return RaiseException(exception, E_FAIL, L"The item has been moved or deleted.");
    Contact moved = *saved;
    const DATE modified = moved.modified;
    TheState().contacts.erase(contact_.sequence);
    moved.folder = known->second;
    Contact* arrived = FindContact(AddContact(std::move(moved)));
    arrived->modified = modified;
    ++TheState().storeWrites;
    PersistState();
    ReturnObject(result, Make<ContactItem>(*arrived));
    return S_OK;
  }

  static HRESULT Property(std::wstring& value, WORD flags, const Arguments& args, VARIANT* result) {
    if (flags & DISPATCH_PROPERTYPUT) {
      if (!args.IsPut() || !args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      value = args.Text(0);
      return S_OK;
    }
    if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
    ReturnText(result, value);
    return S_OK;
  }

  Contact contact_;
};

}  // namespace

IDispatch* MakeContactItem(const Contact& contact) { return Make<ContactItem>(contact); }

}  // namespace fakeoutlook
