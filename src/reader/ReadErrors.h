#pragma once
// Descriptions of the reading failures, each reported in a box titled with the name of the
// reading step that met it ("ReadTreeHeader", "ReadMsgHeader", "ReadTxtMsg"...), so that a
// report says where in the store reading stopped.

namespace glanmail::errors {

inline constexpr const char* kPastEnd = "Lecture au-delà de la fin du fichier";
inline constexpr const char* kOverflow = "Dépassement de capacité";
inline constexpr const char* kOutOfRange = "L'indice n'appartient pas à la sélection";
inline constexpr const char* kPermission = "Permission refusée";

} // namespace glanmail::errors
