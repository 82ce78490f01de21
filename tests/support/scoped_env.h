#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace grondel::testing {

// Sets an environment variable for the life of the object, then puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : name_(name) {
        if (const char* was = std::getenv(name))
            before_ = was;
        set(value);
    }
    ~ScopedEnv() { set(before_ ? before_->c_str() : nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void set(const char* value) {
#ifdef _WIN32
        _putenv_s(name_.c_str(), value ? value : "");
#else
        if (value)
            setenv(name_.c_str(), value, 1);
        else
            unsetenv(name_.c_str());
#endif
    }

    std::string name_;
    std::optional<std::string> before_;
};

} // namespace grondel::testing
