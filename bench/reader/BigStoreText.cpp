#include "BigStoreText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace glanmail::bench {

namespace {

const std::vector<std::string> kSentences = {
    "Merci pour ton message, je te r\xE9ponds rapidement avant de partir.",
    "La r\xE9union de jeudi est report\xE9"
    "e \xE0 la semaine prochaine, m\xEAme heure.",
    "Tu trouveras ci-dessous le compte rendu de la derni\xE8re assembl\xE9"
    "e.",
    "Il faudrait pr\xE9voir le mat\xE9riel pour la f\xEAte du village avant samedi.",
    "Les inscriptions sont ouvertes jusqu'au 15, n'oublie pas de remplir le formulaire.",
    "Je pense que la solution la plus simple est de tout reprendre depuis le d\xE9"
    "but.",
    "Peux-tu me confirmer l'adresse exacte ? Je ne la retrouve plus.",
    "Le devis du plombier est arriv\xE9 : 450 \x80 pour le chauffe-eau, pose comprise.",
    "On se retrouve devant la gare \xE0 huit heures, prends un parapluie.",
    "J'ai mis \xE0 jour le tableau des permanences, chacun peut v\xE9rifier ses dates.",
    "Le club organise un tournoi de p\xE9tanque le premier dimanche de juin.",
    "Attention : la biblioth\xE8que sera ferm\xE9"
    "e pendant les vacances de No\xEBl.",
    "Voici les r\xE9sultats du questionnaire, ils sont plut\xF4t encourageants.",
    "Je te renvoie le fichier corrig\xE9, dis-moi si tout va bien de ton c\xF4t\xE9.",
    "Nous avons besoin de trois b\xE9n\xE9voles de plus pour tenir la buvette.",
    "La m\xE9t\xE9o annonce de la pluie, on d\xE9"
    "cidera sur place.",
    "Bonne nouvelle : la mairie accepte de nous pr\xEAter la salle gratuitement.",
    "Je serai absent du 3 au 17, Martine assure l'int\xE9rim pendant ce temps.",
    "Les photos de la sortie sont en ligne, le lien est dans le message pr\xE9"
    "c\xE9"
    "dent.",
    "N'h\xE9site pas \xE0 me rappeler si quelque chose n'est pas clair.",
};

const std::vector<std::string> kTopics = {
    "Compte rendu de la r\xE9union",
    "Sortie du dimanche",
    "Cotisations 2004",
    "Planning des permanences",
    "Question sur la facture",
    "Vacances de printemps",
    "Tournoi de p\xE9tanque",
    "Photos de la f\xEAte",
    "Devis chauffe-eau",
    "Covoiturage",
    "Probl\xE8me d'imprimante",
    "Anniversaire de Paul",
    "Inscription au stage",
    "Travaux de la cuisine",
    "Recette de la tarte Tatin",
    "Mise \xE0 jour du site",
    "Bulletin municipal",
    "Assurance habitation",
    "D\xE9m\xE9nagement",
    "Pr\xEAt de la tondeuse",
    "Concert de la chorale",
    "Horaires de la biblioth\xE8que",
    "Location de salle",
    "Achat group\xE9 de fioul",
};

const std::vector<std::string> kSenders = {
    "\"Jean-Marc Lef\xE8vre\" <jm.lefevre@wanadoo.fr>",
    "\"Sophie Garnier\" <sophie.garnier@free.fr>",
    "\"Patrick Morel\" <patrick.morel@aol.com>",
    "\"Claire Dubois\" <claire.dubois@libertysurf.fr>",
    "\"Gilles Renaud\" <g.renaud@cegetel.net>",
    "<mamie.jeanne@wanadoo.fr>",
    "Olivier Chartier <olivier.chartier@neuf.fr>",
    "\"H\xE9l\xE8ne Br\xE9zillon\" <h.brezillon@club-internet.fr>",
    "\"Service client\" <service-client@alice.fr>",
    "\"Bernard\" <bernard.potager@nospam.fr>",
    "\"Fran\xE7oise Th\xE9venet\" <f.thevenet@orange.fr>",
    "\"Lucas Martin\" <lucas.martin@hotmail.com>",
};

const std::vector<std::string> kMailers = {
    "X-Mailer: Microsoft Outlook Express 6.00.2900.2180\r\nX-MimeOLE: Produced By Microsoft MimeOLE "
    "V6.00.2900.2180\r\n",
    "X-Mailer: Microsoft Outlook Express 5.50.4807.1700\r\n",
    "User-Agent: Thunderbird 1.5.0.10 (Windows/20070221)\r\n",
    "X-Mailer: Microsoft Outlook, Build 10.0.6626\r\n",
};

// Display name as Outlook Express files it: the phrase without quotes, or the address.
std::string SenderName(const std::string& from) {
    const std::size_t lt = from.find('<');
    std::string phrase = from.substr(0, lt);
    while (!phrase.empty() && phrase.back() == ' ') {
        phrase.pop_back();
    }
    if (phrase.size() >= 2 && phrase.front() == '"') {
        phrase = phrase.substr(1, phrase.size() - 2);
    }
    if (!phrase.empty()) {
        return phrase;
    }
    return from.substr(lt + 1, from.find('>') - lt - 1);
}

std::string RfcDate(std::int64_t unixSeconds) {
    static constexpr std::array<const char*, 7> days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t local = static_cast<std::time_t>(unixSeconds + 3600); // written in +0100
    std::tm tm{};
    gmtime_r(&local, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %d %s %d %02d:%02d:%02d +0100", days[static_cast<std::size_t>(tm.tm_wday)],
                  tm.tm_mday, months[static_cast<std::size_t>(tm.tm_mon)], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return buf;
}

// The subject without answer prefixes, as the store keeps it for conversations.
std::string KeyOf(std::string subject) {
    while (subject.compare(0, 4, "Re: ") == 0) {
        subject.erase(0, 4);
    }
    return subject;
}

} // namespace

MessageFactory::MessageFactory(std::mt19937_64& rng) : rng_(rng), clock_(946728000) {
    std::size_t column = 0;
    while (prose_.size() < 400 * 1024) {
        const std::string& s = Pick(kSentences);
        if (column + s.size() + 1 > 72) {
            prose_ += "\r\n";
            column = 0;
            if (Uniform(0, 5) == 0) {
                prose_ += "\r\n";
            }
        } else if (column > 0) {
            prose_ += ' ';
            ++column;
        }
        prose_ += s;
        column += s.size();
    }
    prose_ += "\r\n";
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    while (base64_.size() < 600 * 1024) {
        for (int i = 0; i < 76; ++i) {
            base64_ += alphabet[Uniform(0, 63)];
        }
        base64_ += "\r\n";
    }
}

std::size_t MessageFactory::Uniform(std::size_t lo, std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(lo, hi)(rng_);
}

const std::string& MessageFactory::Pick(const std::vector<std::string>& pool) {
    return pool[Uniform(0, pool.size() - 1)];
}

std::int64_t MessageFactory::NextDate() {
    clock_ += static_cast<std::int64_t>(Uniform(60, 5400)); // 100,000 messages cover about eight years
    return clock_ - static_cast<std::int64_t>(Uniform(0, 86400));
}

std::string MessageFactory::NewMessageId() {
    char buf[96];
    ++serial_;
    std::snprintf(buf, sizeof buf, "<%06llx01c%04x$%08llx$%08x@PC%04u>", static_cast<unsigned long long>(serial_),
                  static_cast<unsigned>(Uniform(0, 0xFFFF)), static_cast<unsigned long long>(Uniform(0, 0xFFFFFFFF)),
                  static_cast<unsigned>(Uniform(0, 0xFFFFFFFF)), static_cast<unsigned>(Uniform(0, 9999)));
    return buf;
}

std::string MessageFactory::Body(std::size_t size) {
    std::string body;
    body.reserve(size + 128);
    while (body.size() < size) {
        std::size_t start = prose_.find("\r\n", Uniform(0, prose_.size() - 1));
        start = start == std::string::npos ? 0 : start + 2;
        body.append(prose_, start, size - body.size());
    }
    if (body.size() < 2 || body.compare(body.size() - 2, 2, "\r\n") != 0) {
        body += "\r\n";
    }
    return body;
}

std::string MessageFactory::Base64(std::size_t size) {
    constexpr std::size_t lineSize = 78; // 76 characters and CR LF
    const std::size_t lines = base64_.size() / lineSize;
    std::size_t needed = (size + lineSize - 1) / lineSize;
    std::string out;
    out.reserve(needed * lineSize);
    while (needed > 0) {
        const std::size_t first = Uniform(0, lines - 1);
        const std::size_t n = std::min(needed, lines - first);
        out.append(base64_, first * lineSize, n * lineSize);
        needed -= n;
    }
    return out;
}

testing::WriterMessage MessageFactory::Make(const std::string& subject, const std::string& id,
                                            const std::string& parents, const std::string& body,
                                            const std::string& contentHeaders) {
    const std::string& from = Pick(kSenders);
    const std::int64_t date = NextDate();
    std::string raw;
    raw.reserve(body.size() + 1024);
    raw += "Message-ID: " + id + "\r\n";
    raw += "From: " + from + "\r\n";
    raw += "To: " + Pick(kSenders) + "\r\n";
    if (!parents.empty()) {
        raw += "References: " + parents + "\r\n";
        raw += "In-Reply-To: " + parents.substr(parents.rfind('<')) + "\r\n";
    }
    raw += "Subject: " + subject + "\r\n";
    raw += "Date: " + RfcDate(date) + "\r\n";
    raw += "MIME-Version: 1.0\r\n";
    raw += contentHeaders;
    raw += Pick(kMailers);
    raw += "\r\n";
    raw += body;

    testing::WriterMessage m;
    m.raw = std::move(raw);
    m.subject = subject;
    m.subjectKey = KeyOf(subject);
    m.messageId = id;
    if (!parents.empty()) {
        m.parents = parents;
    }
    m.sender = SenderName(from);
    m.received = testing::FiletimeFromUnix(date);
    return m;
}

testing::WriterMessage MessageFactory::Ordinary() {
    const std::string plain =
        "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n";
    std::string subject;
    std::string parents;
    const std::size_t roll = Uniform(0, 99);
    if (roll < 30 && !recent_.empty()) {
        // An answer to a recent message; References keep the first and the last four ancestors.
        const Recent& parent = recent_[Uniform(0, recent_.size() - 1)];
        subject = parent.subject.compare(0, 4, "Re: ") == 0 ? parent.subject : "Re: " + parent.subject;
        std::string chain = parent.references.empty() ? parent.id : parent.references + " " + parent.id;
        std::size_t ids = 0;
        for (char c : chain) {
            ids += c == '<' ? 1 : 0;
        }
        if (ids > 5) {
            const std::size_t first = chain.find(' ');
            std::size_t cut = chain.size();
            for (int k = 0; k < 4; ++k) {
                cut = chain.rfind('<', cut - 1);
            }
            chain = chain.substr(0, first) + " " + chain.substr(cut);
        }
        parents = chain;
    } else if (roll < 33) {
        subject = "Re: " + Pick(kTopics);
        parents = NewMessageId(); // the message answered was never filed here
    } else {
        char number[32];
        std::snprintf(number, sizeof number, " (%llu)", static_cast<unsigned long long>(Uniform(1, 400)));
        subject = Pick(kTopics) + number;
    }

    const std::string id = NewMessageId();
    testing::WriterMessage m;
    if (Uniform(0, 199) == 0) {
        // A message with an attachment of 100 to 500 KB.
        const std::string boundary = "----=_NextPart_000_0012_01C5A0D7.F1A5C300";
        std::string body = "This is a multi-part message in MIME format.\r\n\r\n--" + boundary + "\r\n" + plain +
                           "\r\n" + Body(Uniform(500, 3000)) + "\r\n--" + boundary +
                           "\r\nContent-Type: application/pdf;\r\n\tname=\"document.pdf\"\r\n"
                           "Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment;\r\n"
                           "\tfilename=\"document.pdf\"\r\n\r\n" +
                           Base64(Uniform(100 * 1024, 500 * 1024)) + "\r\n--" + boundary + "--\r\n";
        m = Make(subject, id, parents, body, "Content-Type: multipart/mixed;\r\n\tboundary=\"" + boundary + "\"\r\n");
    } else {
        // 2 to 20 KB, more small ones than large ones.
        const double u = std::uniform_real_distribution<double>(0.0, 1.0)(rng_);
        const auto size = static_cast<std::size_t>(2048.0 * std::pow(10.0, u));
        m = Make(subject, id, parents, Body(size > 600 ? size - 600 : size), plain);
    }
    recent_.push_back({id, subject, parents});
    if (recent_.size() > 2000) {
        recent_.pop_front();
    }
    return m;
}

testing::WriterMessage MessageFactory::DeepReply(const std::vector<std::string>& ids, std::size_t depth) {
    std::string parents;
    if (depth > 0) {
        parents = ids[0];
        for (std::size_t k = depth > 4 ? depth - 4 : 1; k < depth; ++k) {
            parents += " " + ids[k];
        }
    }
    const std::string subject = depth == 0 ? "Relecture du rapport annuel" : "Re: Relecture du rapport annuel";
    return Make(subject, ids[depth], parents, Body(Uniform(1500, 6000)),
                "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n");
}

testing::WriterMessage MessageFactory::SharedSubject() {
    return Make("La lettre hebdomadaire de l'association", NewMessageId(), "", Body(Uniform(3000, 12000)),
                "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n");
}

testing::WriterMessage MessageFactory::Large(std::size_t size) {
    return Make("Archives de la liste fr.rec.jardinage, 1999-2004", NewMessageId(), "", Body(size),
                "Content-Type: text/plain;\r\n\tcharset=\"iso-8859-1\"\r\nContent-Transfer-Encoding: 8bit\r\n");
}

} // namespace glanmail::bench
