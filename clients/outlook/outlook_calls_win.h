#pragma once
// Outlook's object model as the writer calls it: the published dispatch
// identifiers, and member calls made one after the other that keep the text
// of the first failure, so the caller can stop at it.

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

#include "clients/company_marker.h"
#include "clients/outlook/outlook_failure_text.h"
#include "clients/outlook/dispatch_member_call_win.h"
#include "common/win/scoped_handles.h"

namespace outlook {

constexpr DISPID kCreateItem = 0x10A;
constexpr DISPID kGetNamespace = 0x110;
constexpr DISPID kGetDefaultFolder = 0x210B;
constexpr DISPID kItems = 0x3100;
constexpr DISPID kCount = 0x50;
constexpr DISPID kFind = 0x62;
constexpr DISPID kFindNext = 0x63;
constexpr DISPID kDelete = 0xF04A;
constexpr DISPID kSave = 0xF048;
constexpr DISPID kFullName = 0x3001;
constexpr DISPID kEmail1Address = 0x8083;
constexpr DISPID kNickName = 0x3A4F;
constexpr DISPID kEntryID = 0xF01E;
constexpr DISPID kLastModificationTime = 0x3008;
constexpr DISPID kGetItemFromID = 0x2109;
constexpr DISPID kGetTable = 0xFB1D;
constexpr DISPID kGetRowCount = 0x50;
constexpr DISPID kGetArray = 0xFBCF;

constexpr int32_t olFolderDeletedItems = 3;
constexpr int32_t olFolderContacts = 10;
constexpr int32_t olContactItem = 2;

// The restriction under which Items.Find finds the marked contacts.
inline std::u16string MarkerFilter() {
  return u"[NickName] = '" + std::u16string(kCompanyContactMarker) + u"'";
}

}  // namespace outlook

class OutlookCalls {
 public:
  // The context must outlive the calls.
  explicit OutlookCalls(OutlookCallContext& context) : context_(context) {}

  // The waits these calls share, for a second series of calls in the same run.
  OutlookCallContext& context() const { return context_; }

  [[nodiscard]] bool Call(IDispatch& target, DISPID member, MemberKind kind,
                          std::initializer_list<DispatchArg> args);

  // A call that must give an object; giving none is a failure too.
  UniqueComRef<IDispatch> Object(IDispatch& target, DISPID member, MemberKind kind,
                                 std::initializer_list<DispatchArg> args);

  // A look-up by EntryID of what may no longer exist: null, without
  // failing, when Outlook says it cannot be found (or the id is not one);
  // any other failure fails as Object does.
  UniqueComRef<IDispatch> ObjectOrMissing(IDispatch& target, DISPID member,
                                          std::initializer_list<DispatchArg> args);

  // A search that may find nothing: null then, and failed() tells why.
  UniqueComRef<IDispatch> Found(IDispatch& target, DISPID member,
                                std::initializer_list<DispatchArg> args);

  // A property (or method) that must read as a number.
  std::optional<int32_t> Number(IDispatch& target, DISPID member,
                                MemberKind kind = MemberKind::PropertyGet);
  // A property that must read as a text; an empty value is empty text.
  std::optional<std::u16string> Text(IDispatch& target, DISPID member);
  // A property that must read as a date: the DATE's bits, as the folder's
  // table gives them.
  std::optional<uint64_t> Time(IDispatch& target, DISPID member);

  // A call whose value the caller takes as it comes, into `value`.
  [[nodiscard]] bool Value(IDispatch& target, DISPID member, MemberKind kind,
                           std::initializer_list<DispatchArg> args, ScopedVariant& value);

  // Ends the calls with a failure of the writer's own finding.
  void Fail(std::u16string text, RunFailure cause = RunFailure::WriterFailed) {
    failureText_ = std::move(text);
    failure_ = cause;
  }

  bool failed() const { return !failureText_.empty(); }
  const std::u16string& failureText() const { return failureText_; }
  RunFailure failure() const { return failure_; }

 private:
  [[nodiscard]] bool Check(const MemberCallResult& result);
  MemberCallResult Make(IDispatch& target, DISPID member, MemberKind kind,
                        std::initializer_list<DispatchArg> args) {
    return CallMember(target, member, kind, args, context_);
  }

  OutlookCallContext& context_;
  std::u16string failureText_;
  RunFailure failure_ = RunFailure::WriterFailed;
};
