#include "shell/SystemError.h"

#include <cerrno>

namespace glanmail {

std::string FrenchErrorText(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return "Permission refusée";
    case ENOENT:
        return "Fichier ou dossier introuvable";
    case ENOTDIR:
        return "Un élément du chemin n'est pas un dossier";
    case EISDIR:
        return "C'est un dossier";
    case EEXIST:
        return "Le fichier existe déjà";
    case ENOSPC:
        return "Plus de place sur le disque";
    case EDQUOT:
        return "Quota de disque dépassé";
    case EROFS:
        return "Système de fichiers en lecture seule";
    case ENAMETOOLONG:
        return "Nom de fichier trop long";
    case EIO:
        return "Erreur d'entrée-sortie";
    default:
        return "Erreur système " + std::to_string(error);
    }
}

} // namespace glanmail
