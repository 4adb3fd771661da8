#include "report/calibration.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace report {

namespace {

std::string exact(double v)
{
    if (std::isnan(v))
        return "nan";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

bool read_number(const std::string &word, double &out)
{
    if (word == "nan") {
        out = NAN;
        return true;
    }
    char *end = nullptr;
    out = std::strtod(word.c_str(), &end);
    return !word.empty() && *end == 0 && std::isfinite(out);
}

}  // namespace

Calibration calibration_of(const TestAnalysis &a)
{
    Calibration c;
    c.fitted = a.rasch.fitted;
    c.problem = a.rasch.problem;
    c.b = a.rasch.b;
    for (const ItemRow &it : a.items)
        c.median_rt.push_back(it.median_rt);
    return c;
}

// Line 1: "calibration 1 ITEMS ANALYSED FITTED"; line 2: the problem;
// then "b" and "rt" lines of numbers.
std::string calibration_text(const Calibration &c)
{
    std::string out = "calibration 1 " + std::to_string(c.median_rt.size()) + " " + std::to_string(c.b.size()) +
                      " " + (c.fitted ? "1" : "0") + "\n" + c.problem + "\nb";
    for (double v : c.b)
        out += " " + exact(v);
    out += "\nrt";
    for (double v : c.median_rt)
        out += " " + exact(v);
    return out + "\n";
}

bool read_calibration(const std::string &text, int items, Calibration &out)
{
    std::istringstream in(text);
    std::string word, problem;
    size_t n_items = 0, n_b = 0;
    int fitted = 0, version = 0;
    if (!(in >> word >> version >> n_items >> n_b >> fitted) || word != "calibration" || version != 1 ||
        n_items != size_t(items) || n_b > n_items)
        return false;
    in.ignore(1);
    std::getline(in, problem);
    Calibration c;
    c.fitted = fitted == 1;
    c.problem = problem;
    for (auto [name, count, into] : {std::tuple{"b", n_b, &c.b}, std::tuple{"rt", n_items, &c.median_rt}}) {
        if (!(in >> word) || word != name)
            return false;
        for (size_t i = 0; i < count; i++) {
            double v;
            if (!(in >> word) || !read_number(word, v))
                return false;
            into->push_back(v);
        }
    }
    out = std::move(c);
    return true;
}

}  // namespace report
