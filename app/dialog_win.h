#pragma once
// A minimal modal dialog: a template id, a virtual message handler, and
// the window handle while it lives.

#include <windows.h>

class CDialog {
 public:
  CDialog(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;
  virtual ~CDialog() = default;

  // Runs the dialog modally; returns what EndDialog was given, or -1 when
  // the dialog could not be created.
  INT_PTR DoModal(HWND parent);
  HWND hwnd() const { return hwnd_; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  // Returns true when the message was handled; `result` is then the
  // dialog procedure's answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    return false;
  }
  void EndDialog(INT_PTR result) { ::EndDialog(hwnd_, result); }
  HINSTANCE instance() const { return instance_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE instance_;
  int templateId_;
  HWND hwnd_ = nullptr;
};

// The about box: no behaviour of its own beyond closing.
class CAboutDlg final : public CDialog {
 public:
  explicit CAboutDlg(HINSTANCE instance);

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};
