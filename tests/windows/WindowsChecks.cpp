// The checks that only make sense on Windows: the library's version resource and manifest as
// Windows reads them, and the editor window drawn into a host window.

#include "Vst2Instance.h"

#include <cstring>
#include <set>
#include <string>
#include <vector>

void check(bool condition, const char* what);

namespace
{
std::wstring queryString(const std::vector<char>& info, const wchar_t* key)
{
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904E4\\") + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length) || value == nullptr)
        return L"<missing>";
    return std::wstring(static_cast<const wchar_t*>(value));
}

/// One block of a version resource: its key and the offsets of its children.
struct Block
{
    std::wstring key;
    std::vector<size_t> children;
};

/// Reads the block at offset: length, value length, type, key, padding, value, padding, children.
Block readBlock(const std::vector<char>& info, size_t offset)
{
    Block block;
    uint16_t length = 0, valueLength = 0, type = 0;
    std::memcpy(&length, info.data() + offset, 2);
    std::memcpy(&valueLength, info.data() + offset + 2, 2);
    std::memcpy(&type, info.data() + offset + 4, 2);
    size_t at = offset + 6;
    for (wchar_t c; std::memcpy(&c, info.data() + at, 2), at += 2, c != 0;)
        block.key += c;
    at = (at + 3) & ~size_t(3);
    at += type == 1 ? valueLength * 2u : valueLength; // text values count characters
    at = (at + 3) & ~size_t(3);
    while (at < offset + length)
    {
        block.children.push_back(at);
        uint16_t childLength = 0;
        std::memcpy(&childLength, info.data() + at, 2);
        if (childLength == 0)
            break;
        at = (at + childLength + 3) & ~size_t(3);
    }
    return block;
}

/// Keeps a copy of what the check saw, as a 32-bit top-down bitmap file, for people to look at.
void saveBitmap(const char* path, const void* pixels, int width, int height)
{
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const DWORD pixelBytes = static_cast<DWORD>(width * height * 4);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + pixelBytes;
    if (FILE* out = std::fopen(path, "wb"))
    {
        std::fwrite(&file, sizeof(file), 1, out);
        std::fwrite(&info, sizeof(info), 1, out);
        std::fwrite(pixels, pixelBytes, 1, out);
        std::fclose(out);
    }
}

std::vector<HWND> childWindows(HWND parent)
{
    std::vector<HWND> windows;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM list)
        {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

/// Delivers the messages waiting for this thread for about the given time, with editor idle calls.
void pumpMessages(AEffect* effect, int milliseconds)
{
    const DWORD until = GetTickCount() + static_cast<DWORD>(milliseconds);
    do
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (effect != nullptr)
            zvhost::dispatch(effect, 19); // editor idle
        Sleep(10);
    } while (static_cast<int>(until - GetTickCount()) > 0);
}
} // namespace

int checkVersionResource(const std::string& path)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    check(size > 0, "the library has a version resource");
    if (size == 0)
        return 1;
    std::vector<char> info(size);
    GetFileVersionInfoA(path.c_str(), 0, size, info.data());

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    check(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr,
          "the fixed part is there");
    if (fixed == nullptr)
        return 1;
    check(fixed->dwFileVersionMS == 0x00010005 && fixed->dwFileVersionLS == 0, "file version 1.5.0.0");
    check(fixed->dwProductVersionMS == 0 && fixed->dwProductVersionLS == 0, "product version 0.0.0.0");
    check(fixed->dwFileFlags == 0, "file flags 0");
    check(fixed->dwFileOS == 0, "operating-system field 0");
    check(fixed->dwFileType == 0 && fixed->dwFileSubtype == 0, "type and subtype 0");

    WORD* translation = nullptr;
    check(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                         &length) &&
              length == 4 && translation[0] == 0x0409 && translation[1] == 65001,
          "one translation: language 0x0409, code page 65001");

    check(queryString(info, L"CompanyName") == L"Zelvane", "CompanyName");
    check(queryString(info, L"FileDescription") == L"ZV-Reverb LX", "FileDescription");
    check(queryString(info, L"FileVersion") == L"1.5.0", "FileVersion");
    check(queryString(info, L"ProductName") == L"ZV-Reverb LX", "ProductName");
    check(queryString(info, L"ProductVersion") == L"1.5.0", "ProductVersion");

    // The layout itself: one string table, block 040904E4, with exactly the five keys.
    const Block root = readBlock(info, 0);
    std::vector<Block> tables;
    for (size_t child : root.children)
    {
        const Block block = readBlock(info, child);
        if (block.key == L"StringFileInfo")
            for (size_t table : block.children)
                tables.push_back(readBlock(info, table));
    }
    check(tables.size() == 1 && tables[0].key == L"040904E4", "one string table, block 040904E4");
    if (tables.size() == 1)
    {
        std::set<std::wstring> keys;
        for (size_t entry : tables[0].children)
            keys.insert(readBlock(info, entry).key);
        check(keys == std::set<std::wstring>{L"CompanyName", L"FileDescription", L"FileVersion",
                                             L"ProductName", L"ProductVersion"},
              "exactly the five keys");
    }

    // The embedded manifest: resource 2 of type RT_MANIFEST, as for any DLL.
    HMODULE data = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC resource =
        data != nullptr ? FindResourceA(data, MAKEINTRESOURCEA(2), MAKEINTRESOURCEA(24)) : nullptr;
    check(resource != nullptr, "the library embeds a manifest");
    if (resource != nullptr)
    {
        const char* text = static_cast<const char*>(LockResource(LoadResource(data, resource)));
        const std::string manifest(text, SizeofResource(data, resource));
        check(manifest.find("level=\"asInvoker\"") != std::string::npos, "the manifest asks for asInvoker");
        check(manifest.find("uiAccess=\"false\"") != std::string::npos, "the manifest sets uiAccess false");
    }
    if (data != nullptr)
        FreeLibrary(data);
    return 0;
}

int checkEditor(const zvhost::Library& library, int cycles)
{
    zvhost::Host::hostVersion = 2400;
    AEffect* effect = zvhost::createInstance(library);
    check(effect != nullptr, "VSTPluginMain returns a plug-in record");
    if (effect == nullptr)
        return 1;
    zvhost::start(effect, 44100.0f, 512);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZVTestHostWindow";
    RegisterClassW(&windowClass);
    HWND host = CreateWindowExW(0, windowClass.lpszClassName, L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                640, 400, nullptr, nullptr, windowClass.hInstance, nullptr);
    check(host != nullptr, "the host window opens");
    if (host == nullptr)
    {
        zvhost::stopAndClose(effect);
        return 1;
    }

    for (int cycle = 0; cycle < cycles; ++cycle)
    {
        std::printf("      cycle %d\n", cycle + 1);
        ERect* rect = nullptr;
        zvhost::dispatch(effect, 13, 0, 0, &rect); // editor rectangle
        check(rect != nullptr && rect->right - rect->left == 450 && rect->bottom - rect->top == 223,
              "the editor rectangle is 450 x 223");
        check(zvhost::dispatch(effect, 14, 0, 0, host) != 0, "the editor opens"); // editor open
        pumpMessages(effect, 300);

        HWND editor = nullptr;
        for (HWND window : childWindows(host))
        {
            RECT client{};
            GetClientRect(window, &client);
            if (client.right == 450 && client.bottom == 223)
                editor = window;
        }
        check(editor != nullptr, "a 450 x 223 editor window sits in the host window");
        if (editor == nullptr)
            break;

        // The framework paints only on vertical blank, which wine does not signal: invalidate the
        // whole window and have it painted now.
        InvalidateRect(editor, nullptr, FALSE);
        UpdateWindow(editor);

        HDC windowDC = GetDC(editor);
        HDC memoryDC = CreateCompatibleDC(windowDC);
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = 450;
        format.bmiHeader.biHeight = -223; // top-down rows
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memoryDC, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memoryDC, bitmap);
        BitBlt(memoryDC, 0, 0, 450, 223, windowDC, 0, 0, SRCCOPY);
        GdiFlush();

        const auto* pixels = static_cast<const uint32_t*>(bits);
        if (cycle == 0)
            saveBitmap("editor-capture.bmp", pixels, 450, 223);
        std::set<uint32_t> colours;
        size_t dark = 0;
        for (int i = 0; i < 450 * 223; ++i)
        {
            const uint32_t rgb = pixels[i] & 0xffffff;
            colours.insert(rgb);
            const int luma = int((rgb >> 16) & 0xff) + int((rgb >> 8) & 0xff) + int(rgb & 0xff);
            dark += luma < 3 * 32 ? 1 : 0;
        }
        std::printf("      %zu distinct colours, %.1f%% dark pixels\n", colours.size(),
                    100.0 * double(dark) / (450.0 * 223.0));
        // The artwork is a light grey panel with many shades (captions, wells, logo) inside a
        // black surround: a blank or unpainted window has one colour.
        check(colours.size() >= 16, "the editor window shows its artwork");
        check(dark < 450u * 223u / 2u, "most of the window is lighter than the surround");

        SelectObject(memoryDC, previous);
        DeleteObject(bitmap);
        DeleteDC(memoryDC);
        ReleaseDC(editor, windowDC);

        zvhost::dispatch(effect, 15); // editor close
        pumpMessages(effect, 100);
        bool closed = true;
        for (HWND window : childWindows(host))
        {
            RECT client{};
            GetClientRect(window, &client);
            closed = closed && !(client.right == 450 && client.bottom == 223);
        }
        check(closed, "the editor window is gone after closing");
    }

    zvhost::stopAndClose(effect);
    DestroyWindow(host);
    pumpMessages(nullptr, 50);
    return 0;
}
