// The Italian messages of CopyPassError.
//
//   CopyFailed(u"foto_01.jpg", u"foto_02.jpg", ENOSPC).what() ==
//   "Impossibile copiare \"foto_01.jpg\" in \"Modificati/foto_02.jpg\": spazio esaurito sul disco."
#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "copy_pass.hpp"

namespace rinomina {

// The reason in Italian; an error without its own sentence gives
// "errore di sistema N", never the system's English text.
std::string ReasonText(std::error_code code);

// Copying "Originali"/sourceName to "Modificati"/targetName failed.
CopyPassError CopyFailed(std::u16string_view sourceName, std::u16string_view targetName,
                         std::error_code code);
// Same, with a reason of our own instead of the system's text.
CopyPassError CopyRefused(std::u16string_view sourceName, std::u16string_view targetName,
                          std::string_view reason, std::error_code code);
// The new name holds what no name of this platform can: half of a character,
// or a code unit with no encoding.
CopyPassError NameNotEncodable(std::u16string_view sourceName, std::u16string_view targetName);
// "Modificati" could not be opened for the first copy; says plainly when it
// does not exist.
CopyPassError TargetFolderFailed(std::u16string_view sourceName, std::u16string_view targetName,
                                 std::error_code code);
// Listing "Originali" failed.
CopyPassError ListingFailed(std::error_code code);
// The folder `folderName` ("Originali" or "Modificati") could not be opened.
CopyPassError FolderFailed(std::string_view folderName, std::error_code code);
// Flushing "Modificati" to its disk at the end of the pass failed.
CopyPassError FlushFailed(std::error_code code);
// "Originali" and "Modificati" are the same folder.
CopyPassError SameFolder();
// The pass stopped on request (PassMonitor::RequestStop).
CopyPassError PassStopped();

}  // namespace rinomina
