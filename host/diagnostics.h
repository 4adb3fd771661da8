// Everything a run finds in a test source, collected rather than thrown, so
// that one run reports every problem: "FILE:LINE:COLUMN: error: what".
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace host {

struct Error;

enum class Severity { error, warning, note };

struct Diagnostic {
    Severity severity;
    std::string file;  // may be empty: the text names its subject
    int line = 0;      // 1-based; 0 when the whole file is meant
    int column = 0;    // 1-based, in characters; 0 when the whole line is meant
    std::string text;
};

class Diagnostics {
public:
    void add(Severity s, const std::string &file, int line, int column, const std::string &text);
    void error(const std::string &file, int line, int column, const std::string &text)
    {
        add(Severity::error, file, line, column, text);
    }
    void warning(const std::string &file, int line, int column, const std::string &text)
    {
        add(Severity::warning, file, line, column, text);
    }
    void note(const std::string &file, int line, int column, const std::string &text)
    {
        add(Severity::note, file, line, column, text);
    }
    // An Error thrown by a reader, whose message starts with "FILE:LINE: "
    // or "FILE: " for `file`: kept as an error at that place.
    void error_from(const Error &e, const std::string &file);

    size_t count(Severity s) const;
    const std::vector<Diagnostic> &all() const { return list_; }

private:
    std::vector<Diagnostic> list_;
};

// "FILE:LINE:COLUMN: error: text" (the place as far as it is known).
std::string format(const Diagnostic &d);
// Every diagnostic a line, then "SUBJECT: N error(s), M warning(s)".
void print(const Diagnostics &diags, const std::string &subject, std::ostream &out);

}  // namespace host
