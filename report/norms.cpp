#include "report/norms.h"

#include "report/csv.h"
#include "report/error.h"
#include "report/output.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace report {

double normal_cdf(double z)
{
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// Acklam's rational approximation, then one Newton step on erfc: near
// double precision over the whole range.
double normal_quantile(double p)
{
    static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                               1.383577518672690e+02, -3.066479806614716e+01, 2.506628277459239e+00};
    static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                               6.680131188771972e+01, -1.328068155288572e+01};
    static const double c[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                               -2.549732539343734e+00, 4.374664141464968e+00, 2.938163982698783e+00};
    static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                               3.754408661907416e+00};
    double x;
    if (p < 0.02425) {
        const double q = std::sqrt(-2 * std::log(p));
        x = (((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else if (p > 1 - 0.02425) {
        const double q = std::sqrt(-2 * std::log(1 - p));
        x = -(((((c[0] * q + c[1]) * q + c[2]) * q + c[3]) * q + c[4]) * q + c[5]) /
            ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
    } else {
        const double q = p - 0.5, r = q * q;
        x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
            (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
    }
    const double e = normal_cdf(x) - p;
    return x - e * std::sqrt(2 * M_PI) * std::exp(x * x / 2);
}

namespace {

int stanine_of(double percentile)
{
    static const double upper[] = {4, 11, 23, 40, 60, 77, 89, 96};
    int s = 1;
    for (double u : upper)
        s += percentile >= u;
    return s;
}

}  // namespace

std::vector<NormRow> norm_rows(const std::vector<int> &scores, int max_score)
{
    std::vector<int> count(size_t(max_score) + 1, 0);
    for (int s : scores)
        count[size_t(std::clamp(s, 0, max_score))]++;
    const double n = double(scores.size());
    std::vector<NormRow> rows;
    int below = 0;
    for (int x = 0; x <= max_score; x++) {
        NormRow r;
        r.raw = x;
        r.people = count[size_t(x)];
        r.percentile = n > 0 ? 100.0 * (below + 0.5 * r.people) / n : 50;
        const double p = n > 0 ? std::clamp(r.percentile / 100, 0.5 / n, 1 - 0.5 / n) : 0.5;
        r.z = p > 0 && p < 1 ? normal_quantile(p) : 0;
        r.t_score = int(std::lround(50 + 10 * r.z));
        r.standard_score = int(std::lround(100 + 15 * r.z));
        r.stanine = stanine_of(r.percentile);
        rows.push_back(r);
        below += r.people;
    }
    return rows;
}

std::string norm_table_csv(const NormTable &t)
{
    std::string out = "#meridoka-norms,1\r\n#test," + t.test + "\r\n#max_score," + std::to_string(t.max_score) +
                      "\r\n#group,";
    append_csv_field(out, t.group);
    out += "\r\n";
    for (const NormBand &b : t.bands) {
        out += "#band," + b.label + ",people," + std::to_string(b.people) + ",from," + b.first_date + ",to," +
               b.last_date + ",kr20," + (std::isnan(b.kr20) ? std::string() : number_text(b.kr20, 4)) +
               ",forced," + (b.forced ? "yes" : "no") + "\r\n";
        if (!b.median_rt_ms.empty()) {
            out += "#item_times," + b.label;
            for (double ms : b.median_rt_ms)
                out += "," + number_text(ms, 0);
            out += "\r\n";
        }
    }
    out += "band,raw_score,people,percentile,z,t_score,standard_score,stanine\r\n";
    for (const NormBand &b : t.bands)
        for (const NormRow &r : b.rows)
            out += b.label + "," + std::to_string(r.raw) + "," + std::to_string(r.people) + "," +
                   number_text(r.percentile, 2) + "," + number_text(r.z, 4) + "," + std::to_string(r.t_score) + "," +
                   std::to_string(r.standard_score) + "," + std::to_string(r.stanine) + "\r\n";
    return out;
}

std::string norm_table_summary(const NormTable &t)
{
    std::string out = "norms of test " + t.test + ", raw scores 0 to " + std::to_string(t.max_score) +
                      (t.group.empty() ? std::string(", everyone") : ", group " + t.group) + "\n";
    for (const NormBand &b : t.bands)
        out += "  band " + b.label + ": " + std::to_string(b.people) + " people" +
               (b.first_date.empty() ? std::string() : ", " + b.first_date + " to " + b.last_date) + ", KR-20 " +
               (std::isnan(b.kr20) ? std::string("not known") : number_text(b.kr20, 4)) +
               (b.forced ? ", FORCED: fewer than " + std::to_string(norm_minimum_people) + " people" : "") + "\n";
    return out;
}

bool band_range(const std::string &label, double &lo, double &hi)
{
    if (label == "all") {
        lo = -HUGE_VAL;
        hi = HUGE_VAL;
        return true;
    }
    const size_t dash = label.find('-');
    if (dash == std::string::npos || dash == 0 || dash + 1 == label.size())
        return false;
    char *end = nullptr;
    const std::string a = label.substr(0, dash), b = label.substr(dash + 1);
    lo = std::strtod(a.c_str(), &end);
    if (*end)
        return false;
    hi = std::strtod(b.c_str(), &end) + 1;  // "18-29": up to, not including, 30
    return !*end && lo < hi;
}

const NormBand *band_for_age(const NormTable &t, double age)
{
    for (const NormBand &b : t.bands) {
        double lo, hi;
        if (band_range(b.label, lo, hi) && age >= lo && age < hi)
            return &b;
    }
    return nullptr;
}

NormTable read_norm_table(const std::string &file, std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    CsvReader reader(bytes);
    CsvRow row;
    NormTable t;
    int line = 0;
    const auto fail = [&](const std::string &what) { throw Error(where(file, line) + what); };
    const auto number = [&](std::string_view s, double lo, double hi) {
        const std::string text(s);
        char *end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || *end || !(v >= lo && v <= hi))
            fail("'" + text + "' is not a number from " + number_text(lo, 0) + " to " + number_text(hi, 0));
        return v;
    };
    bool header = false, signature = false;
    while (reader.next(row)) {
        line = row.line;
        if (row.fields.empty() || (row.fields.size() == 1 && row.fields[0].empty()))
            continue;
        const std::string_view key = row.fields[0];
        if (!signature) {
            if (key != "#meridoka-norms")
                fail("not a norm table (it starts with #meridoka-norms,1)");
            signature = true;
        } else if (key == "#test" && row.fields.size() == 2) {
            t.test = row.fields[1];
        } else if (key == "#max_score" && row.fields.size() == 2) {
            t.max_score = int(number(row.fields[1], 1, 100000));
        } else if (key == "#group" && row.fields.size() == 2) {
            t.group = row.fields[1];
        } else if (key == "#band" && row.fields.size() == 12) {
            NormBand b;
            b.label = row.fields[1];
            double lo, hi;
            if (!band_range(b.label, lo, hi))
                fail("band '" + b.label + "' is neither all nor an age range like 18-29");
            b.people = int(number(row.fields[3], 1, 1e9));
            b.first_date = row.fields[5];
            b.last_date = row.fields[7];
            b.kr20 = row.fields[9].empty() ? NAN : number(row.fields[9], -1e9, 1);
            b.forced = row.fields[11] == "yes";
            if (b.people < norm_minimum_people && !b.forced)
                fail("band " + b.label + " rests on " + std::to_string(b.people) + " people, fewer than " +
                     std::to_string(norm_minimum_people) + ", and is not marked as forced");
            t.bands.push_back(b);
        } else if (key == "#item_times" && row.fields.size() >= 3) {
            auto band = std::find_if(t.bands.begin(), t.bands.end(),
                                     [&](const NormBand &b) { return b.label == row.fields[1]; });
            if (band == t.bands.end() || !band->median_rt_ms.empty())
                fail("#item_times of band '" + std::string(row.fields[1]) +
                     "', which no #band line above names or which has them already");
            for (size_t i = 2; i < row.fields.size(); i++)
                band->median_rt_ms.push_back(row.fields[i].empty() ? NAN : number(row.fields[i], 0, 1e9));
        } else if (key == "band") {
            header = true;
        } else if (header && row.fields.size() == 8) {
            auto band = std::find_if(t.bands.begin(), t.bands.end(), [&](const NormBand &b) { return b.label == key; });
            if (band == t.bands.end())
                fail("rows of band '" + std::string(key) + "', which no #band line names");
            NormRow r;
            r.raw = int(number(row.fields[1], 0, t.max_score));
            if (r.raw != int(band->rows.size()))
                fail("raw score " + std::to_string(r.raw) + " where " + std::to_string(band->rows.size()) +
                     " comes next (every score from 0 up, once)");
            r.people = int(number(row.fields[2], 0, 1e9));
            r.percentile = number(row.fields[3], 0, 100);
            r.z = number(row.fields[4], -10, 10);
            r.t_score = int(number(row.fields[5], 0, 100));
            r.standard_score = int(number(row.fields[6], 0, 200));
            r.stanine = int(number(row.fields[7], 1, 9));
            if (!band->rows.empty() && r.percentile < band->rows.back().percentile)
                fail("the percentile falls from raw score " + std::to_string(r.raw - 1) + " to " +
                     std::to_string(r.raw));
            band->rows.push_back(r);
        } else {
            fail("a line that is neither a #key line nor a table row of 8 fields");
        }
    }
    line = 0;
    if (!signature || t.test.empty() || t.max_score == 0 || t.bands.empty())
        fail("not a whole norm table (#meridoka-norms, #test, #max_score and #band lines, then the rows)");
    for (const NormBand &b : t.bands)
        if (int(b.rows.size()) != t.max_score + 1)
            fail("band " + b.label + " has " + std::to_string(b.rows.size()) + " rows, not one per raw score 0 to " +
                 std::to_string(t.max_score));
    return t;
}

}  // namespace report
