// zv-make-icon: draws the application's icon (SVG) into a Windows icon file (.ico), one PNG image
// per size that Windows' lists, property pages and the installed-programs list show.
// Usage: zv-make-icon ICON.svg OUT.ico

#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
constexpr int sizes[] = {16, 24, 32, 48, 64, 256};

juce::MemoryBlock png(const juce::Drawable& icon, int size)
{
    juce::Image image(juce::Image::ARGB, size, size, true);
    {
        juce::Graphics g(image);
        icon.drawWithin(g, juce::Rectangle<float>(0.0f, 0.0f, (float)size, (float)size),
                        juce::RectanglePlacement::centred, 1.0f);
    }
    juce::MemoryOutputStream out;
    if (!juce::PNGImageFormat().writeImageToStream(image, out))
        throw std::runtime_error("cannot encode the " + std::to_string(size) + " pixel image");
    return out.getMemoryBlock();
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 3)
    {
        std::cerr << "usage: zv-make-icon ICON.svg OUT.ico\n";
        return 2;
    }
    try
    {
        const auto cwd = juce::File::getCurrentWorkingDirectory();
        const auto svg = juce::XmlDocument::parse(cwd.getChildFile(argv[1]));
        const auto icon = svg != nullptr ? juce::Drawable::createFromSVG(*svg) : nullptr;
        if (icon == nullptr)
            throw std::runtime_error(std::string("cannot read the picture ") + argv[1]);

        // The icon file: a header, a directory entry per image (its size, 32 bits per pixel,
        // where its bytes lie) and the images, each a whole PNG file. 256 is written as 0.
        std::vector<juce::MemoryBlock> images;
        for (const int size : sizes)
            images.push_back(png(*icon, size));
        juce::MemoryOutputStream out;
        out.writeShort(0); // reserved
        out.writeShort(1); // an icon, not a cursor
        out.writeShort((short)images.size());
        int offset = 6 + 16 * (int)images.size();
        for (size_t i = 0; i < images.size(); ++i)
        {
            const int size = sizes[i];
            out.writeByte((char)(size >= 256 ? 0 : size)); // width
            out.writeByte((char)(size >= 256 ? 0 : size)); // height
            out.writeByte(0);                              // no palette
            out.writeByte(0);                              // reserved
            out.writeShort(1);                             // colour planes
            out.writeShort(32);                            // bits per pixel
            out.writeInt((int)images[i].getSize());
            out.writeInt(offset);
            offset += (int)images[i].getSize();
        }
        for (const auto& image : images)
            out.write(image.getData(), image.getSize());
        const auto file = cwd.getChildFile(argv[2]);
        if (!file.replaceWithData(out.getData(), out.getDataSize()))
            throw std::runtime_error(std::string("cannot write ") + argv[2]);
        return 0;
    }
    catch (const std::exception& e)
    {
        std::cerr << "zv-make-icon: " << e.what() << "\n";
        return 1;
    }
}
