#include "Commands.h"

namespace glanmail::cli {

int RunSave(const Args& /*args*/, std::ostream& /*out*/, std::ostream& err) {
    err << "not implemented yet\n";
    return kExitUsage;
}

}  // namespace glanmail::cli
