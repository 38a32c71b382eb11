// Renders the reference audio through the Linux build's VST 2.4 library with the very host code
// the Windows audio check uses, and writes it as raw 32-bit floats (left channel, then right),
// with the tail size the library announces in OUTPUT.tail.
//   zv-render-linux-reference LIBRARY OUTPUT

#include "Vst2Instance.h"

#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s LIBRARY OUTPUT\n", argv[0]);
        return 2;
    }
    zvhost::Library library(argv[1]);
    AEffect* effect = library.isLoaded() ? zvhost::createInstance(library) : nullptr;
    if (effect == nullptr)
    {
        std::fprintf(stderr, "no plug-in instance from %s\n", argv[1]);
        return 1;
    }
    VstIntPtr tail = 0;
    const std::vector<float> output = zvhost::reference::render(effect, &tail);
    std::ofstream file(argv[2], std::ios::binary);
    file.write(reinterpret_cast<const char*>(output.data()),
               static_cast<std::streamsize>(output.size() * sizeof(float)));
    std::ofstream tailFile(std::string(argv[2]) + ".tail");
    tailFile << tail << "\n";
    return file && tailFile ? 0 : 1;
}
