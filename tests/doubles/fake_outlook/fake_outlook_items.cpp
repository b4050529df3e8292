#include "fake_outlook/fake_outlook_dispatch.h"

#include <vector>

namespace fakeoutlook {
namespace {

// A folder's items, searched with Find/FindNext on a nickname filter.
class Items final : public DispatchObject {
 public:
  explicit Items(int folder) : DispatchObject(L"Items"), folder_(folder) {}

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!args.NoNamed()) return DISP_E_MEMBERNOTFOUND;
    if (member == kCount) {
      if (!(flags & DISPATCH_PROPERTYGET) || !args.Are({})) return DISP_E_BADPARAMCOUNT;
      if (result) {
        V_VT(result) = VT_I4;
        V_I4(result) = static_cast<LONG>(FolderContacts().size());
      }
      return S_OK;
    }
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (member == kAdd) {
      // Add(Type): a new item that joins this folder when saved.
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      if (V_I4(&args.At(0)) != 2) return RaiseException(exception, E_INVALIDARG, L"Not a contact.");
      Contact contact;
      contact.folder = folder_;
      ReturnObject(result, MakeContactItem(contact));
      return S_OK;
    }
    if (member == kFind) {
      if (!args.Are({VT_BSTR})) return DISP_E_TYPEMISMATCH;
      nickName_ = NickNameOfFilter(args.Text(0));
      if (nickName_.empty()) {
        return RaiseException(exception, E_INVALIDARG, L"Cannot parse condition.");
      }
      searching_ = true;
      lastFound_ = 0;
      position_ = -1;
      return ReturnNext(result);
    }
    if (member == kFindNext) {
      if (!args.Are({})) return DISP_E_BADPARAMCOUNT;
      if (!searching_) return RaiseException(exception, E_FAIL, L"Find was not called.");
      if (TheState().cursor == FindCursor::Stuck && lastItem_) {
        lastItem_->AddRef();
        ReturnObject(result, lastItem_);
        return S_OK;
      }
      return ReturnNext(result);
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  std::vector<const Contact*> FolderContacts() const {
    std::vector<const Contact*> inFolder;
    for (const auto& [sequence, c] : TheState().contacts) {  // in sequence order
      if (c.folder == folder_) inFolder.push_back(&c);
    }
    return inFolder;
  }

  // The next matching item of the folder after the cursor.
  HRESULT ReturnNext(VARIANT* result) {
    const Contact* found =
        TheState().cursor == FindCursor::Position ? NextByPosition() : NextAfterLastFound();
    lastItem_ = found ? MakeContactItem(*found) : nullptr;
    ReturnObject(result, lastItem_);  // null is Outlook's Nothing
    return S_OK;
  }

  const Contact* NextAfterLastFound() {
    const auto& contacts = TheState().contacts;  // in sequence order
    for (auto it = contacts.upper_bound(lastFound_); it != contacts.end(); ++it) {
      const Contact& c = it->second;
      if (c.folder != folder_ || !SameText(c.nickName, nickName_)) continue;
      lastFound_ = c.sequence;
      return &c;
    }
    lastFound_ = ~0UL;
    return nullptr;
  }

  const Contact* NextByPosition() {
    const std::vector<const Contact*> contacts = FolderContacts();
    for (size_t i = static_cast<size_t>(position_ + 1); i < contacts.size(); ++i) {
      if (!SameText(contacts[i]->nickName, nickName_)) continue;
      position_ = static_cast<long>(i);
      return contacts[i];
    }
    position_ = static_cast<long>(contacts.size());
    return nullptr;
  }

  int folder_;
  std::wstring nickName_;
  bool searching_ = false;
  ULONG lastFound_ = 0;  // the cursor behind the last item found
  long position_ = -1;   // the cursor as a position in the folder
  IDispatch* lastItem_ = nullptr;
};

}  // namespace

IDispatch* MakeItems(int folder) { return Make<Items>(folder); }

}  // namespace fakeoutlook
