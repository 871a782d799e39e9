#include "common/WriteErrors.h"

#include <cerrno>
#include <cstring>

namespace glanmail {

std::string SystemErrorText(int error) {
    switch (error) {
    case ENOSPC:
        return "disque plein";
    case EDQUOT:
        return "quota de disque dépassé";
    case EROFS:
        return "système de fichiers en lecture seule";
    case EACCES:
    case EPERM:
        return "permission refusée";
    case ENAMETOOLONG:
        return "nom trop long";
    case EIO:
        return "erreur d'entrée/sortie";
    case EFBIG:
        return "fichier trop volumineux";
    case EBADF:
        return "sortie fermée";
    case ENOENT:
        return "dossier introuvable";
    case ENOTDIR:
        return "un fichier occupe la place d'un dossier";
    case EISDIR:
        return "c'est un dossier";
    case EEXIST:
        return "le fichier existe déjà";
    default:
        return "erreur du système (" + std::string(std::strerror(error)) + ")";
    }
}

std::string CannotWrite(const std::string& path, int error) {
    return "Impossible d'écrire « " + path + " » : " + SystemErrorText(error);
}

std::string CannotCreateFolder(const std::string& path, int error) {
    return "Impossible de créer le dossier « " + path + " » : " + SystemErrorText(error);
}

std::string CannotWriteStandardOutput(int error) {
    return "Impossible d'écrire sur la sortie standard : " + SystemErrorText(error);
}

bool FailureRepeats(int error) {
    switch (error) {
    case ENAMETOOLONG: // a name this file system refuses: the next message has another name
    case EFBIG:        // a file size limit: smaller messages still fit
    case EINVAL:
    case EILSEQ:
        return false;
    default:
        return true;
    }
}

} // namespace glanmail
