// Pixel arithmetic of the window and the buttons, kept apart from Win32 so it
// can be checked exactly.
#pragma once

namespace timelock {

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    constexpr int Width() const noexcept { return right - left; }
    constexpr int Height() const noexcept { return bottom - top; }
    friend constexpr bool operator==(const Box&, const Box&) = default;
};

// Centred on the whole screen, not the work area; C++ division rounds toward zero.
constexpr Point CentredOrigin(int screenWidth, int screenHeight, int width, int height) noexcept {
    return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

// Where a caption of the measured size goes in a button: the area moves one
// pixel right and down while pressed, and the text is centred in it.
constexpr Box CaptionBox(Box button, int measuredWidth, int measuredHeight, bool pressed) noexcept {
    if (pressed) button = {button.left + 1, button.top + 1, button.right + 1, button.bottom + 1};
    const int left = button.left + (button.Width() - measuredWidth) / 2;
    const int top = button.top + (button.Height() - measuredHeight) / 2;
    return {left, top, left + measuredWidth, top + measuredHeight};
}

// A single-line field's client band: one text line high, in the vertical middle.
constexpr Box CentredLine(Box client, int lineHeight) noexcept {
    if (lineHeight <= 0 || client.Height() <= lineHeight) return client;
    const int top = client.top + (client.Height() - lineHeight) / 2;
    return {client.left, top, client.right, top + lineHeight};
}

}  // namespace timelock
