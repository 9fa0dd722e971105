// Plays one piece through the audio device, start to end, and nothing else: with SDL's disk
// output (SDL_AUDIODRIVER=disk, SDL_DISKAUDIOFILE, SDL_DISKAUDIODELAY=0) it writes what a
// rest would play into a file, faster than real time. tools/bench/fonts.sh uses it to
// compare sound fonts.
//   vistrel_render_music FILE
#include "os/linux/LinuxMci.h"
#include "os/linux/LinuxMessageLoop.h"
#include "os/linux/LinuxPlatform.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vistrel_render_music FILE\n");
        return 2;
    }
    const std::string file = argv[1];
    int qtArgc = 1;
    os::LinuxPlatform platform(qtArgc, argv);
    os::LinuxMci mci(platform.NativeLoop());
    os::MCIDEVICEID id = 0;
    os::MCIERROR error = mci.Open("", file, os::MCI_OPEN_ELEMENT | os::MCI_WAIT, 0, id);
    if (error == 0)
        error = mci.Play(id, os::MCI_WAIT, 0, 0, 0);
    if (error != 0) {
        std::string text;
        mci.GetErrorString(error, text);
        std::fprintf(stderr, "%s\n", text.c_str());
        return 1;
    }
    os::DWORD length = 0;
    mci.Status(id, os::MCI_STATUS_ITEM, os::MCI_STATUS_LENGTH, length);
    std::printf("%s: %lu ms\n", file.c_str(), static_cast<unsigned long>(length));
    mci.Close(id, os::MCI_WAIT, 0);
    return 0;
}
