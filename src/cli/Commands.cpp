#include "Commands.h"

#include "common/CheckedOutput.h"
#include "common/WriteErrors.h"

#include <cerrno>

namespace glanmail::cli {
namespace {

const char* const kUsage =
    "Utilisation :\n"
    "  glanmail-cli list STORE [--json]\n"
    "  glanmail-cli raw STORE ID\n"
    "  glanmail-cli show STORE ID\n"
    "  glanmail-cli save STORE... [--txt | --eml | --complete] [--group] [--ids 3,5,8] [--storage DIR]\n";

} // namespace

std::string NoSuchMessage(std::size_t id, const std::string& storeName, std::size_t count) {
    return "Identifiant " + std::to_string(id) + " inconnu : le fichier " + storeName + " n'en liste que " +
           std::to_string(count) + "\n";
}

std::size_t ParseId(const std::string& s) {
    if (s.empty() || s.size() > 9) {
        return 0;
    }
    std::size_t v = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return 0;
        }
        v = v * 10 + static_cast<std::size_t>(c - '0');
    }
    return v;
}

int FinishOutput(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    const auto* checked = dynamic_cast<const CheckedOutput*>(out.rdbuf());
    const int error = checked != nullptr ? checked->Error() : out ? 0 : EIO;
    if (error == 0) {
        return status;
    }
    if (error != EPIPE) {
        err << "glanmail-cli: " << CannotWriteStandardOutput(error) << "\n";
    }
    return status == kExitInterrupted ? status : kExitOutput;
}

namespace {

int Dispatch(const Args& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? kExitUsage : kExitOk;
    }
    const Args rest(args.begin() + 1, args.end());
    const std::string& name = args[0];
    if (name == "list") {
        return RunList(rest, out, err);
    }
    if (name == "raw") {
        return RunRaw(rest, out, err);
    }
    if (name == "show") {
        return RunShow(rest, out, err);
    }
    if (name == "save") {
        return RunSave(rest, out, err);
    }
    err << "Commande inconnue : " << name << "\n" << kUsage;
    return kExitUsage;
}

} // namespace

int RunCli(const Args& args, std::ostream& out, std::ostream& err) {
    return FinishOutput(Dispatch(args, out, err), out, err);
}

} // namespace glanmail::cli
