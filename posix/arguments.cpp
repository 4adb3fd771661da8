#include "posix/arguments.h"


static std::string quoted(const std::string &argument)
{
    bool plain = !argument.empty();
    for (char c : argument)
        plain = plain && (unsigned char)c > ' ' && c != '"';
    if (plain)
        return argument;
    std::string out = "\"";
    for (char c : argument)
        out += c == '"' ? "\"\"" : std::string(1, c);
    return out + "\"";
}

std::string join_arguments(int argc, const char *const *argv)
{
    std::string joined;
    for (int i = 1; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--participant" && i + 1 < argc)
            a = std::string("/P:") + argv[++i];
        else if (a.rfind("--participant=", 0) == 0)
            a = "/P:" + a.substr(14);
        else if (a == "--resume")
            a = "/R";
        else if (a.rfind("--resume=", 0) == 0)
            a = "/R:" + a.substr(9);
        else if (a == "--help" || a == "--version")
            a = "/?";
        if (!joined.empty())
            joined += ' ';
        joined += quoted(a);
    }
    return joined;
}
