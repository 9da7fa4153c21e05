#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The readers take file names, so each fuzz input is written to a private
// temporary file first. The returned path stays valid until the next call.
const std::string& WriteFuzzInput(const uint8_t* data, size_t size, const char* extension);
