#include "database/StorageError.h"

#include "core/CLocale.h"

void StorageError::Set(StorageErrorCode newCode, std::string text, int errorNumber) {
  code = newCode;
  hostError = errorNumber;
  message = std::move(text);
  if (errorNumber) {
    message += ": ";
    message += ErrorText(errorNumber);
  }
}
