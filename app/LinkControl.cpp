#include "app/LinkControl.h"

namespace {

const char kOriginalProc[] = "_Hyperlink_Original_Proc_";
const char kOriginalFont[] = "_Hyperlink_Original_Font_";
const char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
const char kFromStatic[] = "_Hyperlink_From_Static_";

WNDPROC storedProc(HWND window) {
  return reinterpret_cast<WNDPROC>(GetPropA(window, kOriginalProc));
}

void installProc(HWND window, WNDPROC proc) {
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

WNDPROC currentProc(HWND window) {
  return reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
}

LRESULT passOn(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  WNDPROC previous = storedProc(window);
  if (!previous) return DefWindowProcA(window, msg, wp, lp);
  return CallWindowProcA(previous, window, msg, wp, lp);
}

}  // namespace

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CTLCOLORSTATIC: {
      LRESULT brush = passOn(window, msg, wp, lp);
      HWND control = reinterpret_cast<HWND>(lp);
      if (control && GetPropA(control, kFromStatic))
        SetTextColor(reinterpret_cast<HDC>(wp), kHyperlinkColor);
      return brush;
    }
    case WM_DESTROY: {
      WNDPROC previous = storedProc(window);
      if (previous) installProc(window, previous);
      RemovePropA(window, kOriginalProc);
      if (!previous) return DefWindowProcA(window, msg, wp, lp);
      return CallWindowProcA(previous, window, msg, wp, lp);
    }
    default:
      return passOn(window, msg, wp, lp);
  }
}

LRESULT CALLBACK HyperlinkProc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_SETCURSOR: {
      HCURSOR cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));  // IDC_HAND
      if (!cursor) cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
      SetCursor(cursor);
      return TRUE;
    }
    case WM_MOUSEMOVE: {
      if (GetCapture() != window) {
        HFONT underline = reinterpret_cast<HFONT>(GetPropA(window, kUnderlineFont));
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(underline), FALSE);
        InvalidateRect(window, nullptr, FALSE);
        SetCapture(window);
      } else {
        RECT rect;
        GetWindowRect(window, &rect);
        POINT pt = {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        ClientToScreen(window, &pt);
        if (!PtInRect(&rect, pt)) {
          HFONT plain = reinterpret_cast<HFONT>(GetPropA(window, kOriginalFont));
          SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(plain), FALSE);
          InvalidateRect(window, nullptr, FALSE);
          ReleaseCapture();
        }
      }
      return passOn(window, msg, wp, lp);
    }
    case WM_DESTROY: {
      WNDPROC previous = storedProc(window);
      if (previous) installProc(window, previous);
      RemovePropA(window, kOriginalProc);
      HFONT plain = reinterpret_cast<HFONT>(GetPropA(window, kOriginalFont));
      SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(plain), FALSE);
      RemovePropA(window, kOriginalFont);
      HFONT underline = reinterpret_cast<HFONT>(GetPropA(window, kUnderlineFont));
      if (underline) DeleteObject(underline);
      RemovePropA(window, kUnderlineFont);
      RemovePropA(window, kFromStatic);
      if (!previous) return DefWindowProcA(window, msg, wp, lp);
      return CallWindowProcA(previous, window, msg, wp, lp);
    }
    default:
      return passOn(window, msg, wp, lp);
  }
}

int MakeHyperlink(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 1;
  // A second call for the same static must not subclass it twice: its
  // stored procedure would then point at itself.
  if (GetPropA(control, kFromStatic)) return 1;

  HWND parent = GetParent(control);
  if (parent && currentProc(parent) != HyperlinkParentProc) {
    SetPropA(parent, kOriginalProc, reinterpret_cast<HANDLE>(currentProc(parent)));
    installProc(parent, HyperlinkParentProc);
  }

  SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);

  SetPropA(control, kOriginalProc, reinterpret_cast<HANDLE>(currentProc(control)));
  installProc(control, HyperlinkProc);

  HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  SetPropA(control, kOriginalFont, reinterpret_cast<HANDLE>(font));
  LOGFONTA lf;
  HFONT underline = nullptr;
  if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (GetObjectA(font, sizeof(lf), &lf) == sizeof(lf)) {
    lf.lfUnderline = 1;
    underline = CreateFontIndirectA(&lf);
  }
  SetPropA(control, kUnderlineFont, reinterpret_cast<HANDLE>(underline));
  SetPropA(control, kFromStatic, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(1)));
  return 1;
}
