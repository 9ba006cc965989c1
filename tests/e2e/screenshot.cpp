// Screen capture from the screen DC and a plain 24-bit BMP writer. Capturing
// the screen, not the window, shows what the user sees: caption, frame and
// anything the program failed to paint.
#include "tests/e2e/e2e.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace e2e {

std::optional<Image> CaptureScreen(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return std::nullopt;

    const HDC screen = GetDC(nullptr);
    if (!screen) return std::nullopt;
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::optional<Image> image;
    if (memory && bitmap) {
        const HGDIOBJ previous = SelectObject(memory, bitmap);
        if (BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
            GdiFlush();
            Image captured{width, height, {}};
            const auto* bgrx = static_cast<const std::uint8_t*>(bits);
            const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
            captured.pixels.reserve(count);
            for (std::size_t i = 0; i < count; ++i) {
                captured.pixels.push_back(RGB(bgrx[4 * i + 2], bgrx[4 * i + 1], bgrx[4 * i]));
            }
            image = std::move(captured);
        }
        SelectObject(memory, previous);
    }
    if (bitmap) DeleteObject(bitmap);
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

std::optional<Image> CaptureSettled(const RECT& area, milliseconds deadline) {
    std::optional<Image> last = CaptureScreen(area);
    const auto end = Clock::now() + deadline;
    while (last && Clock::now() < end) {
        Sleep(100);
        auto next = CaptureScreen(area);
        if (!next) break;
        const bool same = next->pixels == last->pixels;
        last = std::move(next);
        if (same) break;
    }
    return last;
}

namespace {

std::optional<std::vector<std::uint32_t>> BitmapPixels(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != height) return std::nullopt;
    return pixels;
}

}  // namespace

std::optional<Sprite> RenderIcon(HICON icon) {
    ICONINFO parts{};
    if (!icon || !GetIconInfo(icon, &parts)) return std::nullopt;
    BITMAP mask{};
    GetObjectW(parts.hbmMask, sizeof mask, &mask);
    const int width = mask.bmWidth;
    // A monochrome icon keeps its picture in the lower half of the mask.
    const int height = parts.hbmColor ? mask.bmHeight : mask.bmHeight / 2;
    std::optional<Sprite> sprite;
    const auto maskPixels = BitmapPixels(parts.hbmMask, width, parts.hbmColor ? height : 2 * height);
    const auto colourPixels =
        parts.hbmColor ? BitmapPixels(parts.hbmColor, width, height) : std::optional<std::vector<std::uint32_t>>{};
    if (maskPixels && (colourPixels || !parts.hbmColor) && width > 0 && height > 0) {
        Sprite out;
        out.image = {width, height, {}};
        const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t c = colourPixels ? (*colourPixels)[i] : (*maskPixels)[count + i];
            out.image.pixels.push_back(RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
            out.opaque.push_back(((*maskPixels)[i] & 0xFFFFFF) == 0);
        }
        sprite = std::move(out);
    }
    if (parts.hbmColor) DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    return sprite;
}

std::optional<POINT> FindSprite(const Image& image, const Sprite& sprite, const RECT& within) {
    const int right = std::min<int>(within.right, image.width) - sprite.image.width;
    const int bottom = std::min<int>(within.bottom, image.height) - sprite.image.height;
    for (int top = std::max<int>(within.top, 0); top <= bottom; ++top) {
        for (int left = std::max<int>(within.left, 0); left <= right; ++left) {
            bool same = true;
            for (int y = 0; y < sprite.image.height && same; ++y) {
                for (int x = 0; x < sprite.image.width && same; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y * sprite.image.width + x);
                    same = !sprite.opaque[i] || image.At(left + x, top + y) == sprite.image.pixels[i];
                }
            }
            if (same) return POINT{left, top};
        }
    }
    return std::nullopt;
}

bool SaveBmp(const Image& image, const std::wstring& path) {
    const std::size_t rowBytes = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
    const std::size_t dataBytes = rowBytes * static_cast<std::size_t>(image.height);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = static_cast<DWORD>(file.bfOffBits + dataBytes);
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;  // bottom row first, as readers expect
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(dataBytes);

    std::vector<char> data(dataBytes, 0);
    for (int y = 0; y < image.height; ++y) {
        char* row = data.data() + rowBytes * static_cast<std::size_t>(image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const COLORREF c = image.At(x, y);
            row[3 * x] = static_cast<char>(GetBValue(c));
            row[3 * x + 1] = static_cast<char>(GetGValue(c));
            row[3 * x + 2] = static_cast<char>(GetRValue(c));
        }
    }
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

}  // namespace e2e
