#include "fake_outlook/fake_outlook_dispatch.h"

#include <algorithm>
#include <vector>

namespace fakeoutlook {
namespace {

// Folder.GetTable's answer: the folder's items under a nickname filter,
// with the default columns of a contacts folder's table, taken when the
// table is made. GetArray(n) hands out the next n rows (fewer at the end,
// none once all are out) as an array indexed (column, row).
class Table final : public DispatchObject {
 public:
  Table(int folder, const std::wstring& nickName) : DispatchObject(L"Table") {
    for (const auto& [sequence, c] : TheState().contacts) {
      if (c.folder == folder && SameText(c.nickName, nickName)) rows_.push_back(c);
    }
  }

 protected:
  HRESULT Member(DISPID member, WORD flags, const Arguments& args, VARIANT* result,
                 EXCEPINFO* exception) override {
    if (!args.NoNamed() || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (member == kGetRowCount) {
      if (!args.Are({})) return DISP_E_BADPARAMCOUNT;
      ReturnNumber(result, static_cast<LONG>(rows_.size()));
      return S_OK;
    }
    if (member == kGetArray) {
      if (!args.Are({VT_I4})) return DISP_E_TYPEMISMATCH;
      const LONG most = V_I4(&args.At(0));
      if (most <= 0) {
        return RaiseException(exception, E_INVALIDARG,
                              L"One or more parameter values are not valid.");
      }
      const size_t count = std::min(rows_.size() - next_, static_cast<size_t>(most));
      ReturnRows(result, count);
      next_ += count;
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  static constexpr ULONG kColumns = 8;

  void ReturnRows(VARIANT* result, size_t count) const {
    if (!result) return;
    SAFEARRAYBOUND bounds[2] = {{kColumns, 0}, {static_cast<ULONG>(count), 0}};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 2, bounds);
    if (!array) return;
    VARIANT* cells = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&cells));
    for (size_t row = 0; row < count; ++row) {
      const Contact& c = rows_[next_ + row];
      const std::wstring composed = ComposedFullName(c.fullName);
      const size_t split = composed.rfind(L' ') + 1;  // 0 when there is no blank
      VARIANT* cell = cells + row * kColumns;
      ReturnText(cell++, c.entryId);                                  // EntryID
      ReturnText(cell++, composed);                                   // Subject
      ReturnDate(cell++, WholeSeconds(c.modified));                   // CreationTime (near enough)
      ReturnDate(cell++, WholeSeconds(c.modified));                   // LastModificationTime
      ReturnText(cell++, L"IPM.Contact");                             // MessageClass
      ReturnText(cell++, composed.substr(0, split ? split - 1 : 0));  // FirstName
      ReturnText(cell++, composed.substr(split));                     // LastName
      ReturnText(cell++, L"");                                        // CompanyName
    }
    SafeArrayUnaccessData(array);
    V_VT(result) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(result) = array;
  }
  static void ReturnDate(VARIANT* cell, DATE date) {
    V_VT(cell) = VT_DATE;
    V_DATE(cell) = date;
  }

  std::vector<Contact> rows_;
  size_t next_ = 0;
};

}  // namespace

IDispatch* MakeTable(int folder, const std::wstring& nickName) {
  return Make<Table>(folder, nickName);
}

}  // namespace fakeoutlook
