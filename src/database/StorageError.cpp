#include "database/StorageError.h"

#include <cstring>

void StorageError::Set(StorageErrorCode newCode, std::string text, int errorNumber) {
  code = newCode;
  hostError = errorNumber;
  message = std::move(text);
  if (errorNumber) {
    message += ": ";
    message += std::strerror(errorNumber);
  }
}
