#include "host/diagnostics.h"

#include "host/error.h"

#include <cstdlib>

namespace host {

void Diagnostics::add(Severity s, const std::string &file, int line, int column, const std::string &text)
{
    list_.push_back({s, file, line, column, text});
}

void Diagnostics::error_from(const Error &e, const std::string &file)
{
    std::string what = e.what();
    if (file.empty() || what.compare(0, file.size(), file) != 0) {
        error("", 0, 0, what);
        return;
    }
    what.erase(0, file.size());
    int line = 0;
    if (what.size() > 1 && what[0] == ':' && what[1] >= '0' && what[1] <= '9') {
        char *end = nullptr;
        line = int(std::strtol(what.c_str() + 1, &end, 10));
        what.erase(0, size_t(end - what.c_str()));
    }
    if (what.compare(0, 2, ": ") == 0)
        what.erase(0, 2);
    error(file, line, 0, what);
}

size_t Diagnostics::count(Severity s) const
{
    size_t n = 0;
    for (const Diagnostic &d : list_)
        n += d.severity == s;
    return n;
}

std::string format(const Diagnostic &d)
{
    static const char *const names[] = {"error", "warning", "note"};
    std::string s = d.file;
    if (!s.empty() && d.line > 0) {
        s += ":" + std::to_string(d.line);
        if (d.column > 0)
            s += ":" + std::to_string(d.column);
    }
    if (!s.empty())
        s += ": ";
    return s + names[int(d.severity)] + ": " + d.text;
}

void print(const Diagnostics &diags, const std::string &subject, std::ostream &out)
{
    for (const Diagnostic &d : diags.all())
        out << format(d) << "\n";
    out << subject << ": " << diags.count(Severity::error) << " error(s), " << diags.count(Severity::warning)
        << " warning(s)";
    if (const size_t notes = diags.count(Severity::note))
        out << ", " << notes << " note(s)";
    out << "\n";
}

}  // namespace host
