// The command line of glanmail-cli: its commands and options, their help and their errors,
// in French. Parsing is CLI11's; each command then runs on checked options.
#include "Commands.h"

#include "common/CheckedOutput.h"
#include "common/WriteErrors.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <sstream>

namespace glanmail::cli {
namespace {

const char* const kProgram = "glanmail-cli";
const char* const kRecoverHelp = "Ajoute les messages que l'index n'atteint plus (effacés, fragments), "
                                 "rangés dans leurs discussions avec les autres";

// An ID check for CLI11: the message is French, as every message of the program.
const CLI::Validator
    kIdCheck([](std::string& s) { return ParseId(s) == 0 ? "Identifiant de message incorrect : " + s : std::string(); },
             "");

// CLI11's own errors, in the program's language. The name of the option or argument at
// fault is taken from CLI11's text, which begins with it.
std::string FrenchError(const CLI::Error& e) {
    const std::string what = e.what();
    const std::string name = e.get_name();
    const auto after = [&](const std::string& mark) {
        const std::size_t at = what.find(mark);
        return at == std::string::npos ? what : what.substr(at + mark.size());
    };
    if (what.find(" not expected: ") != std::string::npos) { // ExtrasError, named after its command
        // CLI11 lists them last first.
        std::vector<std::string> words;
        std::istringstream list(after("expected: "));
        for (std::string word; list >> word;) {
            words.insert(words.begin(), word);
        }
        std::string joined;
        for (const std::string& word : words) {
            joined += (joined.empty() ? "" : " ") + word;
        }
        return (words.size() > 1 ? "arguments inattendus : " : "argument inattendu : ") + joined;
    }
    if (name == "ArgumentMismatch") {
        return "l'option " + what.substr(0, what.find(':')) + " attend une valeur";
    }
    if (name == "ValidationError" || name == "ConversionError") {
        return after(": ");
    }
    if (name == "RequiredError" && what.find("subcommand") != std::string::npos) {
        return "indiquez une commande : list, raw, show, search ou save";
    }
    if (name == "RequiredError") {
        const std::string missing = what.substr(0, what.find(' '));
        return (missing.rfind("--", 0) == 0 ? "l'option " : "l'argument ") + missing + " est obligatoire";
    }
    return what;
}

// The usage line of each command, written out: it shows what is required (--storage) and
// what excludes what, which CLI11's own line does not.
class Usage : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string /*name*/) const override {
        const std::string command = app->get_parent() == nullptr ? "" : app->get_name();
        return "Utilisation : " + UsageLine(command) + "\n";
    }
};

// Help texts in French.
void FrenchLabels(CLI::App& app) {
    app.formatter(std::make_shared<Usage>());
    const auto formatter = app.get_formatter();
    formatter->label("Usage", "Utilisation");
    formatter->label("OPTIONS", "OPTIONS");
    formatter->label("Options", "Options");
    formatter->label("Positionals", "Arguments");
    formatter->label("Subcommands", "Commandes");
    formatter->label("SUBCOMMAND", "COMMANDE");
    formatter->label("REQUIRED", "(obligatoire)");
    formatter->label("Excludes", "Exclut");
    formatter->column_width(26);
}

CLI::App* Command(CLI::App& app, const std::string& name, const std::string& description) {
    CLI::App* command = app.add_subcommand(name, description);
    command->set_help_flag("-h,--help", "Affiche l'aide de la commande");
    command->group("Commandes");
    return command;
}

struct Parsed {
    ListOptions list;
    MessageOptions raw, show;
    SearchOptions search;
    std::vector<std::string> searchArgs; // STORE... TEXT
    SaveOptions save;
    bool txt = false, eml = false, complete = false;
};

// Checks that CLI11 leaves to the program; an error text, or "" when all is right.
std::string CheckSave(Parsed& p) {
    if (static_cast<int>(p.txt) + static_cast<int>(p.eml) + static_cast<int>(p.complete) > 1) {
        return "--txt, --eml et --complete s'excluent";
    }
    p.save.form = p.eml ? SaveForm::Eml : p.complete ? SaveForm::Complete : SaveForm::Txt;
    p.save.messages = !p.save.attachments || p.txt || p.eml || p.complete;
    if (p.save.attachments && p.save.mbox) {
        return "--attachments s'emploie sans --mbox : le fichier mbox garde déjà chaque message entier";
    }
    if (p.save.mbox && (p.save.group || p.txt || p.eml || p.complete)) {
        return "--mbox s'emploie sans --txt, --eml, --complete ni --group : chaque message y est écrit entier";
    }
    if (p.save.group && p.save.form != SaveForm::Txt) {
        return "--group ne s'emploie qu'avec --txt : le regroupement ne change que les fichiers textes";
    }
    std::vector<std::size_t> unique; // a repeated ID is saved once
    for (const std::size_t id : p.save.ids) {
        if (std::find(unique.begin(), unique.end(), id) == unique.end()) {
            unique.push_back(id);
        }
    }
    p.save.ids = std::move(unique);
    return {};
}

// "--help" anywhere before "--" asks for the help of the command, whatever else is wrong
// on the line: the arguments reduced to the command and "--help" (last first, as CLI11
// takes them), or nothing when no help is asked.
std::vector<std::string> HelpAsked(const Args& args) {
    for (const std::string& a : args) {
        if (a == "--") {
            break;
        }
        if (a == "--help" || a == "-h") {
            const bool command = !args.empty() && (args[0] == "list" || args[0] == "raw" || args[0] == "show" ||
                                                   args[0] == "search" || args[0] == "save");
            return command ? std::vector<std::string>{"--help", args[0]} : std::vector<std::string>{"--help"};
        }
    }
    return {};
}

} // namespace

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

std::string UsageLine(const std::string& command) {
    if (command == "list") {
        return "glanmail-cli list STORE [--json] [--recover]";
    }
    if (command == "raw" || command == "show") {
        return "glanmail-cli " + command + " STORE ID [--recover]";
    }
    if (command == "search") {
        return "glanmail-cli search STORE... TEXT [--subject] [--sender] [--body] [--recover] [--json]";
    }
    if (command == "save") {
        return "glanmail-cli save STORE... --storage DIR [--txt | --eml | --complete | --mbox] [--attachments] "
               "[--group] "
               "[--ids 3,5,8] [--recover]";
    }
    return "glanmail-cli COMMANDE [ARGUMENTS]";
}

std::string NoSuchMessage(std::size_t id, std::size_t count) {
    const std::string head = "Identifiant " + std::to_string(id) + " inconnu : ";
    if (count == 0) {
        return head + "ce fichier ne liste aucun message";
    }
    if (count == 1) {
        return head + "ce fichier ne liste qu'un message, d'identifiant 1";
    }
    return head + "ce fichier liste les identifiants 1 à " + std::to_string(count);
}

int FinishOutput(int status, std::ostream& out, std::ostream& err) {
    out.flush();
    const auto* checked = dynamic_cast<const CheckedOutput*>(out.rdbuf());
    const int error = checked != nullptr ? checked->Error() : out ? 0 : EIO;
    if (error == 0) {
        return status;
    }
    if (error != EPIPE) {
        err << kProgram << ": " << CannotWriteStandardOutput(error) << "\n";
    }
    return status == kExitInterrupted ? status : kExitOutput;
}

int RunCli(const Args& args, std::ostream& out, std::ostream& err, FileSystem& files) {
    CLI::App app("Glanmail : les messages des fichiers .dbx d'Outlook Express", kProgram);
    FrenchLabels(app);
    app.set_help_flag("-h,--help", "Affiche cette aide");
    app.set_version_flag("--version", std::string(kProgram) + " " + GLANMAIL_VERSION, "Affiche la version");
    app.require_subcommand(1);
    Parsed p;

    CLI::App* list = Command(app, "list", "Liste les messages d'un fichier .dbx, dans l'ordre de la liste");
    list->add_option("STORE", p.list.store, "Le fichier .dbx")->required()->type_name("");
    list->add_flag("--json", p.list.json, "Un document JSON au lieu de lignes séparées par des tabulations");
    list->add_flag("--recover", p.list.recover, kRecoverHelp);

    CLI::App* raw = Command(app, "raw", "Écrit un message tel qu'il est enregistré, jusqu'à sa première pièce jointe");
    raw->add_option("STORE", p.raw.store, "Le fichier .dbx")->required()->type_name("");
    raw->add_option("ID", p.raw.id, "Identifiant du message (colonne ID de list)")
        ->required()
        ->check(kIdCheck)
        ->type_name("");
    raw->add_flag("--recover", p.raw.recover, kRecoverHelp);

    CLI::App* show = Command(app, "show", "Affiche un message en texte, comme l'enregistrement texte l'écrit");
    show->add_option("STORE", p.show.store, "Le fichier .dbx")->required()->type_name("");
    show->add_option("ID", p.show.id, "Identifiant du message (colonne ID de list)")
        ->required()
        ->check(kIdCheck)
        ->type_name("");
    show->add_flag("--recover", p.show.recover, kRecoverHelp);

    CLI::App* search = Command(app, "search",
                               "Liste les messages dont l'objet, l'émetteur ou le texte contient TEXT (sans tenir "
                               "compte des majuscules ni des accents)");
    search->add_option("STORE TEXT", p.searchArgs, "Les fichiers .dbx, puis les mots à rechercher")
        ->required()
        ->type_name("");
    search->add_flag("--subject", p.search.subject, "Dans l'objet (sans --subject, --sender ni --body : partout)");
    search->add_flag("--sender", p.search.sender, "Dans l'émetteur");
    search->add_flag("--body", p.search.body, "Dans le texte du message, tel que show l'affiche");
    search->add_flag("--recover", p.search.recover, kRecoverHelp);
    search->add_flag("--json", p.search.json, "Un document JSON au lieu de lignes séparées par des tabulations");

    CLI::App* save = Command(app, "save", "Enregistre les messages dans DIR/<nom du fichier>/");
    save->add_option("STORE", p.save.stores, "Fichiers .dbx, ou dossiers de fichiers .dbx")->required()->type_name("");
    save->add_option("--storage", p.save.storage, "Dossier de stockage (créé s'il n'existe pas)")
        ->required()
        ->type_name("DIR");
    save->add_flag("--txt", p.txt, "Forme texte (par défaut)");
    save->add_flag("--eml", p.eml, "Forme originale (.eml, .nws pour les nouvelles), coupée avant les pièces jointes");
    save->add_flag("--complete", p.complete, "Forme originale entière, pièces jointes comprises");
    save->add_flag(
        "--attachments", p.save.attachments,
        "Les pièces jointes, dans DIR/<nom du fichier>/<nom du message>/ (seules, ou avec la forme demandée)");
    save->add_flag("--group", p.save.group, "Un fichier texte par conversation (avec --txt)");
    save->add_option("--ids", p.save.ids, "Seulement ces identifiants (3,5,8)")
        ->delimiter(',')
        ->check(kIdCheck)
        ->type_name("ID,ID...");
    save->add_flag("--mbox", p.save.mbox, "Un fichier DIR/<nom du fichier>.mbox par fichier .dbx, messages entiers");
    save->add_flag("--recover", p.save.recover, kRecoverHelp);

    app.failure_message([&app](const CLI::App*, const CLI::Error& e) {
        std::string text = std::string(kProgram) + ": " + FrenchError(e) + "\n";
        const auto used = app.get_subcommands(); // the command being parsed, if any
        const std::string name = used.empty() ? "" : used.front()->get_name();
        return text + "Utilisation : " + UsageLine(name) + "\nPour en savoir plus : " + kProgram +
               (name.empty() ? "" : " " + name) + " --help\n";
    });
    std::vector<std::string> reversed = HelpAsked(args); // CLI11 takes the arguments last first
    if (reversed.empty()) {
        reversed.assign(args.rbegin(), args.rend());
    }
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return FinishOutput(status == 0 ? kExitOk : kExitUsage, out, err);
    }

    int status = kExitOk;
    if (list->parsed()) {
        status = List(p.list, out, err);
    } else if (raw->parsed()) {
        status = Raw(p.raw, out, err);
    } else if (show->parsed()) {
        status = Show(p.show, out, err);
    } else if (search->parsed()) {
        if (p.searchArgs.size() < 2) {
            err << kProgram << ": indiquez un fichier .dbx au moins, puis les mots à rechercher\nUtilisation : "
                << UsageLine("search") << "\nPour en savoir plus : " << kProgram << " search --help\n";
            status = kExitUsage;
        } else {
            p.search.words = p.searchArgs.back();
            p.search.stores.assign(p.searchArgs.begin(), p.searchArgs.end() - 1);
            status = Search(p.search, out, err);
        }
    } else if (const std::string problem = CheckSave(p); !problem.empty()) {
        err << kProgram << ": " << problem << "\nUtilisation : " << UsageLine("save")
            << "\nPour en savoir plus : " << kProgram << " save --help\n";
        status = kExitUsage;
    } else {
        status = Save(p.save, out, err, files);
    }
    return FinishOutput(status, out, err);
}

namespace {
Args With(const char* command, const Args& args) {
    Args all{command};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}
} // namespace

int RunList(const Args& args, std::ostream& out, std::ostream& err) {
    return RunCli(With("list", args), out, err);
}
int RunRaw(const Args& args, std::ostream& out, std::ostream& err) {
    return RunCli(With("raw", args), out, err);
}
int RunShow(const Args& args, std::ostream& out, std::ostream& err) {
    return RunCli(With("show", args), out, err);
}
int RunSearch(const Args& args, std::ostream& out, std::ostream& err) {
    return RunCli(With("search", args), out, err);
}
int RunSave(const Args& args, std::ostream& out, std::ostream& err, FileSystem& files) {
    return RunCli(With("save", args), out, err, files);
}

} // namespace glanmail::cli
