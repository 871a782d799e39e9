#include "Commands.h"

namespace glanmail::cli {

int RunShow(const Args& /*args*/, std::ostream& /*out*/, std::ostream& err) {
    err << "not implemented yet\n";
    return kExitUsage;
}

}  // namespace glanmail::cli
