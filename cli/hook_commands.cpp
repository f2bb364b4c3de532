// Placeholder: hookreplay and record are being written now.
#include <cstdio>

#include "cli/commands.h"

namespace orv::cli {
int hookreplayCommand(int, char**) {
    std::fputs("orvane-cli: hookreplay is not available in this build\n", stderr);
    return 2;
}
int recordCommand(int, char**) {
    std::fputs("orvane-cli: record is not available in this build\n", stderr);
    return 2;
}
}  // namespace orv::cli
