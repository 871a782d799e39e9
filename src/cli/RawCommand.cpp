#include "Commands.h"

namespace glanmail::cli {

int RunRaw(const Args& /*args*/, std::ostream& /*out*/, std::ostream& err) {
    err << "not implemented yet\n";
    return kExitUsage;
}

}  // namespace glanmail::cli
