// The packer's one failure path: a message that names the input and what cannot be expressed.
#pragma once

#include <stdexcept>
#include <string>

class PackError : public std::runtime_error {
 public:
  explicit PackError(const std::string& message) : std::runtime_error(message) {}
};
