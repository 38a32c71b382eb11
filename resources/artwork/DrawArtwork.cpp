// Draws the six pictures of the plug-in's window and writes them as PNG files, together with the
// outlines of the two faces their captions use, from which the editor draws the same pictures
// again at other screen scales.
//
//     zv_draw_artwork <output folder>
//
// Only the DejaVu faces of Debian's fonts-dejavu-core are used, loaded from their files, so the
// result does not depend on the fonts a machine happens to have installed.

#include "Artwork.h"

#include <cstdio>

using namespace juce;

namespace
{
bool writeFile(const File& file, const std::function<bool(OutputStream&)>& write, const String& what)
{
    file.deleteFile();
    bool ok = false;
    {
        FileOutputStream out(file);
        ok = out.openedOk() && write(out);
    }
    if (!ok)
    {
        std::fprintf(stderr, "cannot write %s\n", file.getFullPathName().toRawUTF8());
        return false;
    }
    std::printf("%s  %s\n", file.getFileName().toRawUTF8(), what.toRawUTF8());
    return true;
}

bool writePicture(zvartwork::Picture picture, const zvartwork::Faces& faces, const File& file)
{
    const auto size = zvartwork::sizeOf(picture);
    // Software pixels, so drawing needs no display and gives the same bytes everywhere.
    Image img(Image::ARGB, size.x, size.y, true, SoftwareImageType());
    {
        Graphics g(img);
        zvartwork::draw(g, picture, faces);
    }
    return writeFile(
        file, [&](OutputStream& out) { return PNGImageFormat().writeImageToStream(img, out); },
        String(size.x) + " x " + String(size.y));
}

/// The glyphs the captions use, with their advances and kerning, in the framework's serialised
/// typeface form. The outlines are the face's own, unhinted, so text drawn from them at any size
/// is exactly the text of the pictures.
bool writeFace(Typeface& face, const File& file)
{
    auto* glyphs = dynamic_cast<CustomTypeface*>(&face);
    if (glyphs == nullptr)
        return false;
    face.getStringWidth(zvartwork::charactersUsed()); // loads every glyph that is needed
    return writeFile(
        file, [&](OutputStream& out) { return glyphs->writeToStream(out); }, "glyphs");
}

Typeface::Ptr loadFace(const char* path)
{
    MemoryBlock data;
    if (!File(path).loadFileAsData(data))
        return nullptr;
    return Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: zv_draw_artwork <output folder>\n");
        return 2;
    }
    zvartwork::Faces faces{loadFace("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"),
                           loadFace("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf")};
    if (faces.regular == nullptr || faces.bold == nullptr)
    {
        std::fprintf(stderr, "the DejaVu fonts are missing (Debian package fonts-dejavu-core)\n");
        return 1;
    }

    using zvartwork::Picture;
    const File folder = File::getCurrentWorkingDirectory().getChildFile(argv[1]);
    folder.createDirectory();
    bool ok = true;
    ok &= writePicture(Picture::background, faces, folder.getChildFile("background.png"));
    ok &= writePicture(Picture::information, faces, folder.getChildFile("information.png"));
    ok &= writePicture(Picture::powerSwitch, faces, folder.getChildFile("power_switch.png"));
    ok &= writePicture(Picture::inputSwitch, faces, folder.getChildFile("input_switch.png"));
    ok &= writePicture(Picture::stereoSwitch, faces, folder.getChildFile("stereo_switch.png"));
    ok &= writePicture(Picture::listenerStrip, faces, folder.getChildFile("listener_strip.png"));
    ok &= writeFace(*faces.regular, folder.getChildFile("caption_face.glyphs"));
    ok &= writeFace(*faces.bold, folder.getChildFile("caption_face_bold.glyphs"));
    return ok ? 0 : 1;
}
