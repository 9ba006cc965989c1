#include "app/control_kinds.h"

#include "platform/layout.h"
#include "platform/text_rules.h"
#include "platform/timer_period.h"
#include "platform/win32/win32_text.h"

#include <algorithm>
#include <exception>

namespace timelock {
namespace {

constexpr wchar_t kLabelClass[] = L"TimelockLabel";

Box ToBox(const RECT& r) noexcept { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRect(const Box& b) noexcept { return {b.left, b.top, b.right, b.bottom}; }

HMENU AsMenuId(Control control) noexcept { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(control))); }

// ---------------------------------------------------------------------------
// Text fields

class TextField final : public ControlKind {
public:
    explicit TextField(const Row& row) noexcept : ControlKind(row), settings_(std::get<FieldSettings>(row.settings)) {}

    bool Create(HWND parent, HINSTANCE instance) override {
        const DWORD style = WS_CLIPSIBLINGS | ES_AUTOHSCROLL |
                            (settings_.align == Align::Centre ? ES_CENTER : ES_LEFT) |
                            (settings_.hideSelection ? 0u : static_cast<DWORD>(ES_NOHIDESEL));
        if (!CreateChild(parent, instance, L"EDIT", style, settings_.clientEdge ? WS_EX_CLIENTEDGE : 0)) return false;
        font_ = MakeFont(settings_.font);
        brush_.Reset(CreateSolidBrush(ToColorRef(settings_.background)));
        const HFONT font = font_ ? AsFont(font_) : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        SetFont(font);
        if (settings_.maxLength > 0) SendMessageW(window_, EM_LIMITTEXT, static_cast<WPARAM>(settings_.maxLength), 0);
        lineHeight_ = LineHeight(font);
        Subclass();
        // Let the one-line client band take its place in the middle of the field.
        SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    }

    std::optional<Event> OnCommand(UINT code) override {
        if (code == EN_KILLFOCUS && settings_.mode == InputMode::WholeNumber) RewriteOnFocusLoss();
        return std::nullopt;
    }

    void WriteDisabled(bool disabled) override {
        const bool hadFocus = window_ && GetFocus() == window_;
        ControlKind::WriteDisabled(disabled);  // losing the focus runs the rewrite
        // Keys then still reach the main window, so Tab finds the next control.
        if (hadFocus && disabled && !GetFocus()) SetFocus(GetParent(window_));
    }

    HBRUSH OnColour(HDC dc) override {
        SetTextColor(dc, ToColorRef(settings_.text));
        SetBkColor(dc, ToColorRef(settings_.background));
        return AsBrush(brush_);
    }

private:
    int LineHeight(HFONT font) const noexcept {
        const WindowDc dc(window_, WindowDc::Area::Client);
        if (!dc.Get()) return 0;
        const SelectedObject selected(dc.Get(), font);
        SIZE size{};
        return GetTextExtentPoint32W(dc.Get(), L"W", 1, &size) ? size.cy : 0;
    }

    void RewriteOnFocusLoss() {
        const std::string current = ReadText();
        const std::string rewritten = RewriteWholeNumber(current);
        if (rewritten == current) return;
        DWORD selectionStart = 0;
        SendMessageW(window_, EM_GETSEL, reinterpret_cast<WPARAM>(&selectionStart), 0);
        WriteText(rewritten);
        SendMessageW(window_, EM_SETSEL, selectionStart, static_cast<LPARAM>(selectionStart));
        SendMessageW(window_, EM_SCROLLCARET, 0, 0);
    }

    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_CHAR:
            if (settings_.mode == InputMode::WholeNumber &&
                !PassesWholeNumberFilter(static_cast<std::uint32_t>(wParam))) {
                return 0;  // dropped silently
            }
            break;
        case WM_NCCALCSIZE: {
            const LRESULT result = CallOriginal(message, wParam, lParam);
            RECT& client =
                wParam ? reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : *reinterpret_cast<RECT*>(lParam);
            client = ToRect(CentredLine(ToBox(client), lineHeight_));
            return result;
        }
        case WM_NCPAINT:
            PaintBands();
            break;  // the border, if any, goes over the bands
        default:
            break;
        }
        return CallOriginal(message, wParam, lParam);
    }

    void PaintBands() const noexcept {
        const WindowDc dc(window_, WindowDc::Area::Whole);
        if (!dc.Get()) return;
        RECT outer{};
        RECT inner{};
        GetWindowRect(window_, &outer);
        GetClientRect(window_, &inner);
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&inner), 2);
        OffsetRect(&inner, -outer.left, -outer.top);
        OffsetRect(&outer, -outer.left, -outer.top);
        ExcludeClipRect(dc.Get(), inner.left, inner.top, inner.right, inner.bottom);
        FillRect(dc.Get(), &outer, AsBrush(brush_));
    }

    const FieldSettings& settings_;
    UniqueGdiObject font_;
    UniqueGdiObject brush_;
    int lineHeight_ = 0;
};

// ---------------------------------------------------------------------------
// Command buttons

class CommandButton final : public ControlKind {
public:
    explicit CommandButton(const Row& row) noexcept
        : ControlKind(row), settings_(std::get<ButtonSettings>(row.settings)) {}

    bool Create(HWND parent, HINSTANCE instance) override {
        if (!CreateChild(parent, instance, L"BUTTON", BS_OWNERDRAW, 0)) return false;
        font_ = MakeFont(settings_.font);
        background_.Reset(CreateSolidBrush(ToColorRef(settings_.BkColorOut)));
        SetFont(AsFont(font_));
        Subclass();
        return true;
    }

    std::optional<Event> OnCommand(UINT code) override {
        if (code == BN_CLICKED) return Event::Clicked;
        return std::nullopt;
    }

    void WriteText(std::string_view text) override {
        ControlKind::WriteText(text);
        if (window_) InvalidateRect(window_, nullptr, TRUE);
    }

    void WriteDisabled(bool disabled) override {
        ControlKind::WriteDisabled(disabled);
        if (!disabled || !window_) return;
        EndHot();
        // The focus moves on whether or not this button had it.
        const HWND parent = GetParent(window_);
        HWND next = GetNextDlgTabItem(parent, window_, FALSE);
        if (next == window_ || (next && !IsWindowEnabled(next))) next = nullptr;
        if (GetActiveWindow() == parent) SetFocus(next ? next : parent);
    }

    void OnDrawItem(const DRAWITEMSTRUCT& item) override {
        const HDC dc = item.hDC;
        const RECT& bounds = item.rcItem;
        const bool pressed = (item.itemState & ODS_SELECTED) != 0;
        const bool disabled = (item.itemState & ODS_DISABLED) != 0;

        FillRect(dc, &bounds, AsBrush(background_));
        if (settings_.DrawBorder && (pressed || hot_)) {
            DrawEdgeLines(dc, bounds, pressed ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT,
                          pressed ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW);
        }

        const std::wstring caption = WindowTextW(window_);
        if (caption.empty()) return;
        const SelectedObject selected(dc, font_.Get());
        SetBkMode(dc, TRANSPARENT);
        const bool offset = pressed && settings_.PressStyle == PressOffset::RightDown;
        RECT area = bounds;
        if (offset) OffsetRect(&area, 1, 1);
        RECT measured = area;
        const int length = static_cast<int>(caption.size());
        DrawTextW(dc, caption.c_str(), length, &measured, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
        RECT place =
            ToRect(CaptionBox(ToBox(bounds), measured.right - measured.left, measured.bottom - measured.top, offset));
        if (disabled) {
            // Engraved: highlight one pixel right and down, shadow in place.
            RECT engraved = place;
            OffsetRect(&engraved, 1, 1);
            SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
            DrawTextW(dc, caption.c_str(), length, &engraved, DT_WORDBREAK | DT_CENTER);
            SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        } else {
            SetTextColor(dc, ToColorRef(pressed || hot_ ? settings_.FgColorIn : settings_.FgColorOut));
        }
        DrawTextW(dc, caption.c_str(), length, &place, DT_WORDBREAK | DT_CENTER);
    }

private:
    static void DrawEdgeLines(HDC dc, const RECT& r, int topLeft, int bottomRight) noexcept {
        const HBRUSH first = GetSysColorBrush(topLeft);
        const HBRUSH second = GetSysColorBrush(bottomRight);
        const RECT top{r.left, r.top, r.right, r.top + 1};
        const RECT left{r.left, r.top, r.left + 1, r.bottom};
        const RECT bottom{r.left, r.bottom - 1, r.right, r.bottom};
        const RECT right{r.right - 1, r.top, r.right, r.bottom};
        FillRect(dc, &top, first);
        FillRect(dc, &left, first);
        FillRect(dc, &bottom, second);
        FillRect(dc, &right, second);
    }

    void EndHot() noexcept {
        if (!hot_) return;
        hot_ = false;
        if (window_) InvalidateRect(window_, nullptr, FALSE);
    }

    void OnMouseMove(WPARAM keys, LPARAM position) noexcept {
        if ((keys & MK_LBUTTON) != 0 && !hot_) return;
        POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
        ClientToScreen(window_, &at);
        if (WindowFromPoint(at) != window_ || hot_) return;
        hot_ = true;
        InvalidateRect(window_, nullptr, FALSE);
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof track;
        track.dwFlags = TME_LEAVE;
        track.hwndTrack = window_;
        TrackMouseEvent(&track);
    }

    LRESULT OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_MOUSEMOVE:
            OnMouseMove(wParam, lParam);
            break;
        case WM_MOUSELEAVE:
        case WM_KILLFOCUS:
        case WM_CANCELMODE:
            EndHot();
            break;
        case WM_ENABLE:
            if (!wParam) EndHot();
            break;
        default:
            break;
        }
        return CallOriginal(message, wParam, lParam);
    }

    const ButtonSettings& settings_;
    UniqueGdiObject font_;
    UniqueGdiObject background_;
    bool hot_ = false;
};

// ---------------------------------------------------------------------------
// Transparent labels

class TransparentLabel final : public ControlKind {
public:
    explicit TransparentLabel(const Row& row) noexcept
        : ControlKind(row), settings_(std::get<LabelSettings>(row.settings)) {}

    bool Create(HWND parent, HINSTANCE instance) override {
        if (!RegisterWindowClass(instance, kLabelClass, LabelProc)) return false;
        font_ = MakeFont(settings_.font);
        return CreateChild(parent, instance, kLabelClass, 0, WS_EX_TRANSPARENT, this);
    }

private:
    static LRESULT CALLBACK LabelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<TransparentLabel*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<TransparentLabel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        switch (message) {
        case WM_PAINT:
            self->Paint(window);
            return 0;
        case WM_ERASEBKGND:
            ShowParentThrough(window, reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_NCDESTROY:
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            self->window_ = nullptr;
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    // The parent clips its children, so its background is painted under the label on request.
    static void ShowParentThrough(HWND window, HDC dc) noexcept {
        const HWND parent = GetParent(window);
        POINT origin{0, 0};
        MapWindowPoints(window, parent, &origin, 1);
        POINT previous{};
        SetViewportOrgEx(dc, -origin.x, -origin.y, &previous);
        SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        SetViewportOrgEx(dc, previous.x, previous.y, nullptr);
    }

    void Paint(HWND window) {
        const PaintDc paint(window);
        const std::wstring text = WindowTextW(window);
        if (text.empty() || !paint.Get()) return;
        const HDC dc = paint.Get();
        const SelectedObject selected(dc, font_.Get());
        SetBkMode(dc, TRANSPARENT);
        const UINT format =
            DT_NOCLIP | DT_SINGLELINE | DT_VCENTER | (settings_.horizontal == Align::Centre ? DT_CENTER : DT_LEFT);
        RECT area{};
        GetClientRect(window, &area);
        const int length = static_cast<int>(text.size());
        if (settings_.shadow) {
            SetTextColor(dc, ToColorRef(kWhite));
            DrawTextW(dc, text.c_str(), length, &area, format);
            OffsetRect(&area, 1, 1);
        }
        SetTextColor(dc, ToColorRef(settings_.text));
        DrawTextW(dc, text.c_str(), length, &area, format);
    }

    const LabelSettings& settings_;
    // Made once with the label rather than on every paint: the same font, without the churn.
    UniqueGdiObject font_;
};

// ---------------------------------------------------------------------------
// Timers: ticks arrive as WM_TIMER on the main window, with the control's identifier.

class TimerControl final : public ControlKind {
public:
    explicit TimerControl(const Row& row) noexcept
        : ControlKind(row), initialPeriod_(std::get<TimerSettings>(row.settings).periodMs) {}
    ~TimerControl() override { Detach(); }

    bool Create(HWND parent, HINSTANCE) override {
        owner_ = parent;
        WritePeriod(initialPeriod_);
        return initialPeriod_ <= 0 || period_ == initialPeriod_;
    }

    void Detach() noexcept override {
        if (owner_ && period_ > 0) KillTimer(owner_, Id());
        owner_ = nullptr;
    }

    void WriteVisible(bool) override {}  // never shown
    void WritePeriod(int periodMs) override {
        const TimerPlan plan = PlanPeriodWrite(period_, periodMs);
        if (!plan.changes) return;
        if (plan.stop && owner_) KillTimer(owner_, Id());
        period_ = 0;
        if (plan.start && owner_ && SetTimer(owner_, Id(), static_cast<UINT>(plan.period), nullptr) != 0) {
            period_ = plan.period;
        }
    }

    bool AcceptsTick() const noexcept override { return period_ > 0; }

private:
    UINT_PTR Id() const noexcept { return static_cast<UINT_PTR>(ControlIdOf(row_.control)); }

    int initialPeriod_;
    int period_ = 0;
    HWND owner_ = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------

std::string ControlKind::ReadText() const { return window_ ? WindowText(window_) : std::string(); }

void ControlKind::WriteText(std::string_view text) {
    if (!window_) return;
    // The clock fields get the same text about sixty times a minute; an equal text changes nothing.
    const std::wstring wide = Widen(text);
    if (WindowTextW(window_) != wide) SetWindowTextW(window_, wide.c_str());
}

void ControlKind::WriteVisible(bool visible) {
    flags_ = static_cast<std::uint8_t>(visible ? flags_ | flag::kVisible : flags_ & ~flag::kVisible);
    if (window_) ShowWindow(window_, visible ? SW_SHOWNA : SW_HIDE);
}

void ControlKind::WriteDisabled(bool disabled) {
    flags_ = static_cast<std::uint8_t>(disabled ? flags_ | flag::kDisabled : flags_ & ~flag::kDisabled);
    if (window_) EnableWindow(window_, disabled ? FALSE : TRUE);
}

bool ControlKind::CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, DWORD kindStyle, DWORD exStyle,
                              void* createParam) {
    DWORD style = WS_CHILD | kindStyle;
    if (flags_ & flag::kDisabled) style |= WS_DISABLED;
    if (flags_ & flag::kFocusStop) style |= WS_TABSTOP;
    window_ = CreateWindowExW(exStyle, className, Widen(row_.text).c_str(), style, row_.left, row_.top, row_.width,
                              row_.height, parent, AsMenuId(row_.control), instance, createParam);
    return window_ != nullptr;
}

void ControlKind::Subclass() noexcept {
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlKind::SubclassProc)));
}

LRESULT ControlKind::OnSubclassMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallOriginal(message, wParam, lParam);
}

LRESULT ControlKind::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) const {
    return CallWindowProcW(original_, window_, message, wParam, lParam);
}

LRESULT CALLBACK ControlKind::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<ControlKind*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC original = self->original_;
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return CallWindowProcW(original, window, message, wParam, lParam);
    }
    try {
        return self->OnSubclassMessage(message, wParam, lParam);
    } catch (...) {
        // Only allocation can throw here; the system's own handling is the safe fallback.
        return CallWindowProcW(self->original_, window, message, wParam, lParam);
    }
}

void ControlKind::SetFont(HFONT font) const noexcept {
    SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) noexcept {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(instance, name, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    return RegisterClassExW(&wc) != 0;
}

UniqueGdiObject MakeFont(const FontSpec& spec) {
    if (spec.face.empty()) return {};
    LOGFONTW font{};
    font.lfHeight = spec.height;
    font.lfWeight = spec.weight;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = Widen(spec.face);
    const std::size_t length = std::min(face.size(), static_cast<std::size_t>(LF_FACESIZE - 1));
    std::copy_n(face.begin(), length, font.lfFaceName);
    return UniqueGdiObject(CreateFontIndirectW(&font));
}

std::unique_ptr<ControlKind> MakeControl(const Row& row) {
    switch (row.kind) {
    case Kind::TextField:
        return std::make_unique<TextField>(row);
    case Kind::CommandButton:
        return std::make_unique<CommandButton>(row);
    case Kind::TransparentLabel:
        return std::make_unique<TransparentLabel>(row);
    case Kind::Timer:
        return std::make_unique<TimerControl>(row);
    case Kind::MainWindow:
        break;
    }
    return nullptr;
}

}  // namespace timelock
