#include "report/model_tests.h"

#include "report/classical.h"
#include "report/fit.h"

#include <cmath>
#include <limits>

namespace report {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

ResponseMatrix rows_of(const ResponseMatrix &m, const std::vector<int> &split, int group, const std::vector<int> &cols)
{
    // group -1: both groups (a person in neither is left out of the whole too)
    const auto in = [&](int v) { return group < 0 ? split[size_t(v)] >= 0 : split[size_t(v)] == group; };
    int n = 0;
    for (int v = 0; v < m.persons; v++)
        n += in(v);
    ResponseMatrix out(n, int(cols.size()));
    int row = 0;
    for (int v = 0; v < m.persons; v++)
        if (in(v)) {
            for (size_t j = 0; j < cols.size(); j++)
                out.at(row, int(j)) = m.at(v, cols[j]);
            row++;
        }
    return out;
}

// a fit over some columns, spread back to all of m's columns
RaschFit widened(const RaschFit &f, const std::vector<int> &cols, int items)
{
    RaschFit out = f;
    out.b.assign(size_t(items), nan);
    out.se.assign(size_t(items), nan);
    for (size_t j = 0; j < cols.size(); j++) {
        out.b[size_t(cols[j])] = f.b[j];
        out.se[size_t(cols[j])] = f.se[j];
    }
    return out;
}

}  // namespace

std::vector<int> median_split(const ResponseMatrix &m)
{
    std::vector<double> scores;
    std::vector<int> score(size_t(m.persons), -1);
    for (int v = 0; v < m.persons; v++) {
        int r = 0, n = 0;
        for (int i = 0; i < m.items; i++)
            if (m.at(v, i) >= 0) {
                n++;
                r += m.at(v, i);
            }
        if (n > 0) {
            score[size_t(v)] = r;
            scores.push_back(r);
        }
    }
    const double mid = median(scores);
    std::vector<int> split(size_t(m.persons), -1);
    for (int v = 0; v < m.persons; v++)
        if (score[size_t(v)] >= 0)
            split[size_t(v)] = score[size_t(v)] > mid ? 1 : 0;
    return split;
}

LikelihoodRatioTest andersen_test(const ResponseMatrix &m, const std::vector<int> &split,
                                  const std::array<std::string, 2> &names)
{
    LikelihoodRatioTest t;
    std::vector<int> cols;
    for (int i = 0; i < m.items; i++)
        cols.push_back(i);
    // items without a finite difficulty in a group leave the comparison; refit until stable
    RaschFit g[2];
    for (int round = 0; round < m.items; round++) {
        bool dropped = false;
        for (int k = 0; k < 2; k++) {
            g[k] = fit_rasch_cml(rows_of(m, split, k, cols));
            if (!g[k].fitted && g[k].problem.find("fewer than two") != std::string::npos) {
                t.problem = names[size_t(k)] + " has too few usable answers";
                return t;
            }
        }
        std::vector<int> kept;
        for (size_t j = 0; j < cols.size(); j++)
            if (!std::isnan(g[0].b[j]) && !std::isnan(g[1].b[j]))
                kept.push_back(cols[j]);
            else
                dropped = true;
        if (!dropped)
            break;
        cols = kept;
        if (cols.size() < 2) {
            t.problem = "fewer than two items have a difficulty in both groups";
            return t;
        }
    }
    for (int k = 0; k < 2; k++)
        if (!g[k].fitted) {
            t.problem = names[size_t(k)] + ", its estimates: " + g[k].problem;
            return t;
        }
    const RaschFit whole = fit_rasch_cml(rows_of(m, split, -1, cols));
    if (!whole.fitted) {
        t.problem = whole.problem;
        return t;
    }
    t.items = cols;
    t.lr = 2 * (g[0].log_likelihood + g[1].log_likelihood - whole.log_likelihood);
    t.df = double(cols.size()) - 1;
    t.p = chi_square_tail(t.lr, t.df);
    t.whole = widened(whole, cols, m.items);
    for (int k = 0; k < 2; k++) {
        t.group[k] = widened(g[k], cols, m.items);
        t.persons[k] = g[k].persons_used;
    }
    t.z.assign(size_t(m.items), nan);
    for (int i : cols) {
        const double se = std::hypot(t.group[0].se[size_t(i)], t.group[1].se[size_t(i)]);
        t.z[size_t(i)] = (t.group[1].b[size_t(i)] - t.group[0].b[size_t(i)]) / se;
    }
    t.done = true;
    return t;
}

const char *ets_name(EtsClass c)
{
    switch (c) {
    case EtsClass::a: return "A";
    case EtsClass::b: return "B";
    case EtsClass::c: return "C";
    default: return "";
    }
}

std::vector<DifResult> mantel_haenszel(const ResponseMatrix &m, const std::vector<int> &split)
{
    // counts per score stratum: [score][group][right]
    std::vector<int> score(size_t(m.persons), -1);
    for (int v = 0; v < m.persons; v++) {
        if (split[size_t(v)] < 0)
            continue;
        int r = 0;
        bool complete = true;
        for (int i = 0; i < m.items && complete; i++) {
            complete = m.at(v, i) >= 0;
            r += m.at(v, i);
        }
        if (complete)
            score[size_t(v)] = r;
    }
    std::vector<DifResult> out(size_t(m.items));
    std::vector<double> cell(size_t(m.items + 1) * 4);
    for (int i = 0; i < m.items; i++) {
        std::fill(cell.begin(), cell.end(), 0.0);
        for (int v = 0; v < m.persons; v++)
            if (score[size_t(v)] >= 0)
                cell[size_t(score[size_t(v)]) * 4 + size_t(split[size_t(v)]) * 2 + size_t(m.at(v, i))] += 1;
        DifResult &d = out[size_t(i)];
        double num = 0, den = 0, a_sum = 0, expected = 0, variance = 0;
        for (int r = 0; r <= m.items; r++) {
            const double *c = &cell[size_t(r) * 4];
            const double a = c[1], b = c[0], cc = c[3], dd = c[2];  // group 0 right/wrong, group 1 right/wrong
            const double n0 = a + b, n1 = cc + dd, n = n0 + n1, right = a + cc, wrong = b + dd;
            if (n0 == 0 || n1 == 0 || n < 2)
                continue;  // a stratum with one group says nothing about the difference
            d.n += int(n);
            num += a * dd / n;
            den += b * cc / n;
            a_sum += a;
            expected += n0 * right / n;
            variance += n0 * n1 * right * wrong / (n * n * (n - 1));
        }
        d.odds_ratio = den > 0 ? num / den : nan;
        d.delta = d.odds_ratio > 0 ? -2.35 * std::log(d.odds_ratio) : nan;
        if (variance > 0) {
            // the continuity correction only where the deviation is at least 0.5 (as R's mantelhaen.test)
            const double gap = std::fabs(a_sum - expected), dev = gap >= 0.5 ? gap - 0.5 : gap;
            d.chi2 = dev * dev / variance;
            d.p = chi_square_tail(d.chi2, 1);
        } else {
            d.chi2 = d.p = nan;
        }
        if (!std::isnan(d.delta) && !std::isnan(d.p)) {
            const double size = std::fabs(d.delta);
            const bool significant = d.p < 0.05;
            d.ets = !significant || size < 1 ? EtsClass::a : size >= 1.5 ? EtsClass::c : EtsClass::b;
        }
    }
    return out;
}

}  // namespace report
