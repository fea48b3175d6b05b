// Unusable input: the file it concerns and one line saying what is wrong with it. The command
// line reports it as "mkt450: FILE: PROBLEM" and exits with status 2.
#pragma once

#include <stdexcept>
#include <string>

namespace mkt::host {

class JobError : public std::runtime_error {
public:
    JobError(std::string file, const std::string& problem)
        : std::runtime_error(problem), m_file(std::move(file)) {}

    const std::string& file() const { return m_file; }
    std::string Line() const { return m_file.empty() ? what() : m_file + ": " + what(); }

private:
    std::string m_file;
};

}  // namespace mkt::host
