// The operations of FolderItemImpUnix that run other programs (copying, moving, launching) or
// belong to the media layers (pictures). Programs get their paths as arguments of their own:
// no file name ever reaches a shell.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "app/URLLauncher.h"
#include "core/ExceptionClasses.h"
#include "core/NamedFile.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/ShellRunner.h"
#include "files/FolderItemImpUnix.h"
#include "files/FileReplacement.h"
#include "files/FolderItemShared.h"
#include "files/PictureFiles.h"
#include "strings/TextEncoding.h"

namespace {

std::string BytesOf(const string& text) {
  const string utf8 = ConvertEncoding(text, kEncodingUTF8);
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

// Bytes /bin/sh reads as themselves without quoting: letters, digits, a few marks, and every
// byte of a multi-byte character.
bool IsPlainShellByte(unsigned char c) {
  if (c >= 0x80 || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
    return true;
  switch (c) {
    case '_': case '-': case '.': case '/': case '+': case ',': case ':': case '@': case '%':
      return true;
    default:
      return false;
  }
}

// Whether a program could write into the folder a copy or move to destination lands in.
bool CanWriteInto(const FolderItemImp& destination) {
  std::unique_ptr<FolderItemImp> parent;
  const FolderItemImp* folder = &destination;
  if (!destination.IsDirectory()) {
    parent.reset(destination.GetParent());
    folder = parent.get();
  }
  return folder && access(BytesOf(folder->GetPath()).c_str(), W_OK | X_OK) == 0;
}

void RaiseUnsupportedFormat(const char* operation, int32_t format, const char* end) {
  const string message = string(operation) + " doesn't support format " +
                         string(std::to_string(format).c_str()) + " in Linux" + end;
  RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
}

bool EndsWithIgnoringCase(const std::string& text, const char* tail) {
  const size_t length = std::char_traits<char>::length(tail);
  if (text.size() < length) return false;
  for (size_t i = 0; i < length; ++i) {
    char c = text[text.size() - length + i];
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (c != tail[i]) return false;
  }
  return true;
}

// Whether the disk holding path has less room than bytes.
bool NoRoomFor(const std::string& path, uint64_t bytes) {
  const size_t slash = path.rfind('/');
  struct statvfs disk;
  return statvfs(slash == std::string::npos ? "." : path.substr(0, slash + 1).c_str(), &disk) == 0 &&
         uint64_t(disk.f_bavail) * disk.f_frsize < bytes;
}

// The file a copy or move into destination makes: destination itself, or the item's name in
// it when it is a folder.
std::string FileInto(const FolderItemImp& destination, const string& name) {
  std::string target = BytesOf(destination.GetPath());
  if (destination.IsDirectory()) {
    if (target.empty() || target.back() != '/') target += '/';
    target += BytesOf(name);
  }
  return target;
}

}  // namespace

string ShellEscape(const string& text) {
  std::string escaped;
  for (int32_t i = 0; i < text.Length(); ++i) {
    const unsigned char c = text.Bytes()[i];
    if (c == '\n') {
      escaped += "'\n'";  // a backslash before a newline would join the lines
    } else {
      if (!IsPlainShellByte(c)) escaped += '\\';
      escaped += char(c);
    }
  }
  return string::FromBytes(escaped.data(), int64_t(escaped.size()), text.Encoding());
}

int32_t DetectPictureFormat(const FolderItemImp& item) {
  static const struct {
    const char* extension;
    int32_t format;
  } kExtensions[] = {{".xpm", kPictureFormatXPM},  {".xbm", kPictureFormatXBM},
                     {".jpg", kPictureFormatJPEG}, {".jpeg", kPictureFormatJPEG},
                     {".png", kPictureFormatPNG},  {".tif", kPictureFormatTIFF},
                     {".tiff", kPictureFormatTIFF}, {".gif", kPictureFormatGIF},
                     {".pict", kPictureFormatPICT}, {".pct", kPictureFormatPICT}};
  const std::string path = BytesOf(item.GetPath());
  for (const auto& known : kExtensions) {
    if (EndsWithIgnoringCase(path, known.extension)) return known.format;
  }
  // Only a regular file is looked into: a FIFO would wait for a writer, a device for its data.
  NamedFile file;
  if (!file.Open(path.c_str(), O_RDONLY, NamedFileUse::kContents)) {
    item.SetLastError(file.Error());
    return kPictureFormatUnknown;
  }
  std::string start;
  const bool bitmap = file.Read(2, &start) && start == "BM";
  return bitmap ? kPictureFormatBMP : kPictureFormatUnknown;
}

// A failure stores a defined code: the start's errno, else ENOENT for a missing source, EACCES
// for a folder that refuses the result, ENOSPC when the result's disk has less room than the
// bytes it needed, else EIO.
bool FolderItemImpUnix::RunCommand(const char* const* argv, const FolderItemImp* destination,
                                   uint64_t bytes) {
  int status = -1, startError = 0;
  const bool ran = RunProgram(argv[0], argv, nullptr, &status, &startError);
  if (ran && startError == 0 && status == 0) return true;
  struct stat info;
  if (!ran || startError != 0) {
    SetLastError(startError != 0 ? startError : EIO);
  } else if (lstat(ItemPath().c_str(), &info) != 0) {
    SetLastError(ENOENT);
  } else if (destination && !CanWriteInto(*destination)) {
    SetLastError(EACCES);
  } else if (destination && bytes > 0 && NoRoomFor(FileInto(*destination, GetName()), bytes)) {
    SetLastError(ENOSPC);
  } else {
    SetLastError(EIO);
  }
  return false;
}

// A FIFO would make the copy wait for its peer, a device could feed it without end, a socket
// cannot be opened: none of them is copied from, or onto. A folder is left to cp, which refuses.
bool FolderItemImpUnix::CopiesOnlyFiles(const FolderItemImp& destination) const {
  int error = SpecialFileError(mPath.c_str());
  if (!error && !destination.IsVirtual())
    error = SpecialFileError(FileInto(destination, GetName()).c_str());
  if (error) SetLastError(error);
  return !error;
}

bool FolderItemImpUnix::CopyTo(FolderItemImp* destination) {
  if (!QV_CHECK_TEXT(destination, "destination", nullptr)) return false;
  if (!CopiesOnlyFiles(*destination)) return false;
  if (destination->IsVirtual()) return FolderItemImp::CopyTo(destination);
  if (IsOwnTarget(*this, *destination)) return true;
  return CopyWhole(FileInto(*destination, GetName()), *destination);
}

// cp overwrites a file in place: a copy that fails half way (a full disk) would leave neither
// the old file nor the new. So cp copies into a file that then replaces the old one whole, or
// goes over it in place once whole (FileReplacement), and the old file keeps who may read it; a
// new file gets the source's mode less the umask, as cp gives it. A file this process may not
// write is refused (EACCES) as cp refuses it. What cannot be replaced that way (a folder, a link
// that leads nowhere, a new file where no other can be made) is left to cp alone.
bool FolderItemImpUnix::CopyWhole(const std::string& file, const FolderItemImp& destination) {
  const std::string target = BytesOf(destination.GetPath());
  const char* const inPlace[] = {"cp", mPath.c_str(), target.c_str(), nullptr};
  struct stat source;
  const bool known = stat(mPath.c_str(), &source) == 0;
  const uint64_t bytes = known && S_ISREG(source.st_mode) ? uint64_t(source.st_size) : 0;
  if (!known) return RunCommand(inPlace, &destination, bytes);  // cp says why
  FileReplacement replacement;
  if (!replacement.Begin(file)) {
    SetLastError(replacement.Error());
    return false;
  }
  if (replacement.InPlace()) return RunCommand(inPlace, &destination, bytes);
  const char* const held[] = {"cp", mPath.c_str(), replacement.Holder().c_str(), nullptr};
  if (!RunCommand(held, &destination, bytes)) return false;
  if (replacement.Commit(source.st_mode & 0777 & ~ProcessUmask())) return true;
  SetLastError(replacement.Error());
  return false;
}

// The receiver keeps its path: it names where the file was.
bool FolderItemImpUnix::MoveTo(FolderItemImp* destination) {
  if (!QV_CHECK_TEXT(destination, "destination", nullptr)) return false;
  if (destination->IsVirtual()) return FolderItemImp::MoveTo(destination);
  if (IsOwnTarget(*this, *destination)) return true;
  const std::string target = BytesOf(destination->GetPath());
  const char* const argv[] = {"mv", "-f", mPath.c_str(), target.c_str(), nullptr};
  struct stat source;
  const bool file = stat(mPath.c_str(), &source) == 0 && S_ISREG(source.st_mode);
  return RunCommand(argv, destination, file ? uint64_t(source.st_size) : 0);
}

// Adds the execute bits that the process's umask lets new files have, as "chmod +x" does.
void FolderItemImpUnix::MakeExecutable() {
  struct stat info;
  if (!Succeeded(stat(mPath.c_str(), &info))) return;
  Succeeded(chmod(mPath.c_str(), (info.st_mode & 07777) | (0111 & ~ProcessUmask())));
}

// A program (any execute bit) runs detached, the parameters as its one argument; anything else,
// a folder included, opens as a document through the URL launcher, which reports nothing.
bool FolderItemImpUnix::Launch(const string& parameters, bool) {
  struct stat info;
  if (!Succeeded(stat(mPath.c_str(), &info))) return false;
  const std::string extra = BytesOf(parameters);
  if (S_ISDIR(info.st_mode) || (info.st_mode & 0111) == 0) {
    const std::string document = extra.empty() ? mPath : mPath + " " + extra;
    ShowURL(string::FromBytes(document.data(), int64_t(document.size()), kEncodingUTF8));
    return true;
  }
  const char* const argv[] = {mPath.c_str(), extra.empty() ? nullptr : extra.c_str(), nullptr};
  int startError = 0;
  if (StartDetachedProgram(mPath.c_str(), argv, &startError)) return true;
  SetLastError(startError);
  return false;
}

// The format is always detected: an application's format argument other than 0 is refused.
RuntimeObject* FolderItemImpUnix::OpenAsPicture(int32_t format) {
  if (format != kPictureFormatUnknown) {
    RaiseUnsupportedFormat("OpenAsPicture", format, "");
    return nullptr;
  }
  return ReadPictureFile(*this, DetectPictureFormat(*this));
}

// BMP (4 or 350) is the one format written. A write that fails is a failed save.
bool FolderItemImpUnix::SaveAsPicture(RuntimeObject* picture, int32_t format) {
  if (format != 4 && format != kPictureFormatBMP) {
    RaiseUnsupportedFormat("SaveAsPicture", format, ".");
    return false;
  }
  return WritePictureFile(*this, picture);
}
