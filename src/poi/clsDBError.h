#pragma once

#include <stdexcept>
#include <string>

// A failure of the POI database; what() carries the engine's description.
class clsDBError : public std::runtime_error {
public:
    explicit clsDBError(const std::string& message) : std::runtime_error(message) {}
};
