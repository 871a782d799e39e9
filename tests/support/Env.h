#pragma once
// Environment variables set for one test and put back as they were after it.

#include <cstdlib>
#include <optional>
#include <stdlib.h>
#include <string>
#include <utility>
#include <vector>

namespace glanmail::testing {

struct EnvironmentGuard {
    EnvironmentGuard() = default;
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;

    // A null value removes the variable.
    void Set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    void Set(const char* name, const std::string& value) { Set(name, value.c_str()); }

    ~EnvironmentGuard() {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
            it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
};

} // namespace glanmail::testing
