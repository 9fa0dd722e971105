// The executable: installs the platform it was built for and runs the program.
#include "app/Vistrel.h"
#include "os/NativePlatform.h"

int main(int argc, char** argv) {
    auto platform = os::CreateNativePlatform(argc, argv);
    os::ScopedPlatform installed(*platform);
    return VistrelMain();
}
