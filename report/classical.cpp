#include "report/classical.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace report {

namespace {
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
}

double pearson(const std::vector<double> &x, const std::vector<double> &y)
{
    const size_t n = x.size();
    if (n < 2 || y.size() != n)
        return nan;
    double mx = 0, my = 0;
    for (size_t i = 0; i < n; i++) {
        mx += x[i];
        my += y[i];
    }
    mx /= double(n);
    my /= double(n);
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < n; i++) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    if (sxx <= 0 || syy <= 0)
        return nan;
    return sxy / std::sqrt(sxx * syy);
}

ClassicalStats classical_statistics(const std::vector<std::vector<uint8_t>> &rows)
{
    ClassicalStats s;
    s.persons = int(rows.size());
    const size_t k = rows.empty() ? 0 : rows[0].size();
    s.p.assign(k, nan);
    s.r_it.assign(k, nan);
    s.kr20 = nan;
    if (rows.empty() || k == 0)
        return s;
    const double n = double(rows.size());
    std::vector<double> total(rows.size(), 0);
    for (size_t v = 0; v < rows.size(); v++)
        for (uint8_t x : rows[v])
            total[v] += x;
    for (double t : total)
        s.mean_score += t;
    s.mean_score /= n;
    for (double t : total)
        s.score_variance += (t - s.mean_score) * (t - s.mean_score);
    s.score_variance /= n;

    double sum_pq = 0;
    std::vector<double> item(rows.size()), rest(rows.size());
    for (size_t i = 0; i < k; i++) {
        double right = 0;
        for (size_t v = 0; v < rows.size(); v++) {
            item[v] = rows[v][i];
            rest[v] = total[v] - item[v];  // the total without the item itself
            right += item[v];
        }
        s.p[i] = right / n;
        sum_pq += s.p[i] * (1 - s.p[i]);
        s.r_it[i] = pearson(item, rest);
    }
    if (k >= 2 && s.score_variance > 0)
        s.kr20 = double(k) / double(k - 1) * (1 - sum_pq / s.score_variance);
    return s;
}

double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return nan;
    std::sort(values.begin(), values.end());
    const double h = (double(values.size()) - 1) * q;
    const size_t lo = size_t(std::floor(h));
    const size_t hi = std::min(lo + 1, values.size() - 1);
    return values[lo] + (h - double(lo)) * (values[hi] - values[lo]);
}

double median(std::vector<double> values)
{
    return quantile(std::move(values), 0.5);
}

}  // namespace report
