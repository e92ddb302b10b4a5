#include "messages.hpp"

#include <cerrno>
#include <optional>

#ifdef _WIN32
#include <winerror.h>
#endif

#include "file_name_text.hpp"

namespace rinomina {
namespace {

#ifdef _WIN32
constexpr char kSeparator = '\\';

// Codes older mingw-w64 headers lack.
constexpr int kVirusInfected = 225;       // ERROR_VIRUS_INFECTED
constexpr int kVirusDeleted = 226;        // ERROR_VIRUS_DELETED
constexpr int kDiskQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED

// Raw Win32 error codes, which the C++ runtime does not map to std::errc.
// The rest read as "errore di sistema N", never as English.
std::optional<std::string_view> WindowsReason(int code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return "file o cartella inesistente";
    case ERROR_ACCESS_DENIED:
    case ERROR_NETWORK_ACCESS_DENIED:
      return "accesso negato";
    case ERROR_TOO_MANY_OPEN_FILES:
      return "troppi file aperti";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
      return "memoria insufficiente";
    case ERROR_WRITE_PROTECT:
      return "disco protetto da scrittura";
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
      return "l'unità non è pronta o è stata rimossa";
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_DISK_OPERATION_FAILED:
      return "errore di lettura o scrittura sul disco";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return "il file è in uso da un altro programma";
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
      return "spazio esaurito sul disco";
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
      return "operazione non permessa su questo disco";
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_BAD_NET_NAME:
      return "la risorsa di rete non è raggiungibile";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "esiste già un file con quel nome";
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "nome di file non valido";
    case ERROR_FILENAME_EXCED_RANGE:
      return "nome troppo lungo";
    case ERROR_FILE_TOO_LARGE:
      return "file troppo grande";
    case ERROR_DIRECTORY:
      return "il percorso non indica una cartella";
    case ERROR_DELETE_PENDING:
      return "il file sta per essere eliminato";
    case kVirusInfected:
    case kVirusDeleted:
      return "il file è stato bloccato dall'antivirus";
    case kDiskQuotaExceeded:
      return "quota del disco superata";
    case ERROR_FILE_CORRUPT:
    case ERROR_DISK_CORRUPT:
      return "file o disco danneggiato";
    case ERROR_CANT_RESOLVE_FILENAME:
      return "troppi collegamenti simbolici";
    case ERROR_ENCRYPTION_FAILED:
      return "impossibile cifrare il file";
  }
  return std::nullopt;
}
#else
constexpr char kSeparator = '/';

// The errno values a copy can meet beyond the common ones PortableReason knows.
std::optional<std::string_view> ErrnoReason(std::error_code code) {
  if (code.category() != std::system_category() && code.category() != std::generic_category()) {
    return std::nullopt;
  }
  switch (code.value()) {
    case EMFILE:
      return "troppi file aperti dal programma";
    case ENFILE:
      return "troppi file aperti nel sistema";
    case EDQUOT:
      return "quota del disco superata";
    case ETXTBSY:
      return "il file è un programma in esecuzione";
    case EXDEV:
      return "operazione non possibile tra dischi diversi";
    case EBUSY:
      return "file o disco occupato";
    case EEXIST:
      return "esiste già un file con quel nome";
    case ENOMEM:
    case ENOBUFS:
      return "memoria insufficiente";
    case ESTALE:
      return "il file nella cartella di rete non è più valido";
    case EAGAIN:
      return "risorsa momentaneamente non disponibile";
    case EINTR:
      return "operazione interrotta";
    case EOVERFLOW:
      return "file troppo grande per questa operazione";
    case ENXIO:
    case ENODEV:
      return "dispositivo inesistente";
    case ENOMEDIUM:
      return "nessun disco nell'unità";
    case EOPNOTSUPP:
    case ENOSYS:
      return "operazione non supportata dal file system";
    case EILSEQ:
      return "nome con caratteri non validi";
    case EMLINK:
      return "troppi collegamenti al file";
    case ENOLCK:
      return "nessun blocco disponibile sul file";
    case EUCLEAN:
      return "file system danneggiato";
    case EREMOTEIO:
      return "errore di lettura o scrittura sul disco di rete";
    case ETIMEDOUT:
      return "il disco di rete non risponde";
    case ENOTCONN:
    case ECONNRESET:
    case ECONNABORTED:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
      return "connessione di rete interrotta";
  }
  return std::nullopt;
}
#endif

std::optional<std::string_view> PortableReason(std::error_code code) {
  using std::errc;
  if (code == errc::no_such_file_or_directory) return "file o cartella inesistente";
  if (code == errc::permission_denied || code == errc::operation_not_permitted) {
    return "accesso negato";
  }
  if (code == errc::no_space_on_device) return "spazio esaurito sul disco";
  if (code == errc::filename_too_long) return "nome troppo lungo";
  if (code == errc::read_only_file_system) return "file system di sola lettura";
  if (code == errc::is_a_directory) return "esiste già una cartella con quel nome";
  if (code == errc::not_a_directory) return "una parte del percorso non è una cartella";
  if (code == errc::too_many_symbolic_link_levels) return "troppi collegamenti simbolici";
  if (code == errc::file_too_large) return "file troppo grande";
  if (code == errc::io_error) return "errore di lettura o scrittura sul disco";
  if (code == errc::invalid_argument) return "nome o operazione non validi";
#ifdef _WIN32
  return std::nullopt;
#else
  return ErrnoReason(code);
#endif
}

bool IsNotFound(std::error_code code) {
#ifdef _WIN32
  if (code.category() == std::system_category()) {
    return code.value() == ERROR_FILE_NOT_FOUND || code.value() == ERROR_PATH_NOT_FOUND;
  }
#endif
  return code == std::errc::no_such_file_or_directory;
}

std::string Quoted(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted.append(1, '"').append(text).append(1, '"');
  return quoted;
}

std::string TargetPath(std::u16string_view targetName) {
  return std::string("Modificati") + kSeparator + DisplayText(targetName);
}

}  // namespace

std::string ReasonText(std::error_code code) {
  std::optional<std::string_view> reason;
#ifdef _WIN32
  if (code.category() == std::system_category()) {
    reason = WindowsReason(code.value());
    if (!reason) return "errore di sistema " + std::to_string(code.value());
  }
#endif
  if (!reason) reason = PortableReason(code);
  if (reason) return std::string(*reason);
  return "errore di sistema " + std::to_string(code.value());
}

CopyPassError CopyFailed(std::u16string_view sourceName, std::u16string_view targetName,
                         std::error_code code) {
  return CopyRefused(sourceName, targetName, ReasonText(code), code);
}

CopyPassError CopyRefused(std::u16string_view sourceName, std::u16string_view targetName,
                          std::string_view reason, std::error_code code) {
  return CopyPassError("Impossibile copiare " + Quoted(DisplayText(sourceName)) + " in " +
                           Quoted(TargetPath(targetName)) + ": " + std::string(reason) + ".",
                       code);
}

CopyPassError NameNotEncodable(std::u16string_view sourceName, std::u16string_view targetName) {
#ifdef _WIN32
  const std::error_code code(ERROR_INVALID_NAME, std::system_category());
#else
  const std::error_code code = std::make_error_code(std::errc::illegal_byte_sequence);
#endif
  return CopyRefused(sourceName, targetName, "il nuovo nome contiene caratteri non validi", code);
}

CopyPassError TargetFolderFailed(std::u16string_view sourceName, std::u16string_view targetName,
                                 std::error_code code) {
  if (!IsNotFound(code)) return CopyFailed(sourceName, targetName, code);
  return CopyRefused(sourceName, targetName, "la cartella \"Modificati\" non esiste", code);
}

CopyPassError ListingFailed(std::error_code code) {
  return CopyPassError("Impossibile leggere l'elenco dei file della cartella \"Originali\": " +
                           ReasonText(code) + ".",
                       code);
}

CopyPassError FolderFailed(std::string_view folderName, std::error_code code) {
  return CopyPassError(
      "Impossibile aprire la cartella " + Quoted(folderName) + ": " + ReasonText(code) + ".", code);
}

CopyPassError FlushFailed(std::error_code code) {
  return CopyPassError(
      "Impossibile salvare sul disco i file copiati in \"Modificati\": " + ReasonText(code) + ".",
      code);
}

CopyPassError SameFolder() {
  return CopyPassError(
      "\"Originali\" e \"Modificati\" sono la stessa cartella: le copie sovrascriverebbero i file "
      "originali. Nessun file è stato copiato.",
      std::make_error_code(std::errc::file_exists));
}

CopyPassError PassStopped() {
  return CopyPassError("Copia interrotta: le copie già complete restano in \"Modificati\".",
                       std::make_error_code(std::errc::operation_canceled));
}

}  // namespace rinomina
