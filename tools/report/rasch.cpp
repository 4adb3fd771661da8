#include "tools/report/rasch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace report {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// gamma of eps without items a and b (-1: none).
void esf_without(const std::vector<double> &eps, int a, int b, std::vector<double> &g)
{
    g.assign(eps.size() + 1, 0.0);
    g[0] = 1;
    int n = 0;
    for (int j = 0; j < int(eps.size()); j++) {
        if (j == a || j == b)
            continue;
        n++;
        for (int r = n; r >= 1; r--)
            g[size_t(r)] += eps[size_t(j)] * g[size_t(r - 1)];
    }
}

// A set of persons who answered the same items: their count per score.
struct Group {
    std::vector<int> items;       // estimable items answered (indices into the fit's item list)
    std::vector<long> by_score;   // persons per score 0..items.size()
};

// Solves (A + 11'/k) x = y in place by Gauss-Jordan elimination; A's null
// space is the vector of ones (a shift of all difficulties), so the sum
// makes it invertible and the result is the pseudo-inverse applied to y.
// With `inverse`, returns the pseudo-inverse of A in `a` as well.
bool solve_centred(std::vector<double> &a, std::vector<double> &y, int k, bool inverse)
{
    std::vector<double> m(size_t(k) * size_t(2 * k + 1), 0.0);
    const size_t w = size_t(2 * k + 1);
    for (int i = 0; i < k; i++) {
        for (int j = 0; j < k; j++)
            m[size_t(i) * w + size_t(j)] = a[size_t(i) * size_t(k) + size_t(j)] + 1.0 / k;
        m[size_t(i) * w + size_t(k + i)] = 1;
        m[size_t(i) * w + size_t(2 * k)] = y[size_t(i)];
    }
    for (int c = 0; c < k; c++) {
        int pivot = c;
        for (int r = c + 1; r < k; r++)
            if (std::fabs(m[size_t(r) * w + size_t(c)]) > std::fabs(m[size_t(pivot) * w + size_t(c)]))
                pivot = r;
        if (std::fabs(m[size_t(pivot) * w + size_t(c)]) < 1e-300)
            return false;
        if (pivot != c)
            for (size_t j = 0; j < w; j++)
                std::swap(m[size_t(c) * w + j], m[size_t(pivot) * w + j]);
        const double d = m[size_t(c) * w + size_t(c)];
        for (size_t j = 0; j < w; j++)
            m[size_t(c) * w + j] /= d;
        for (int r = 0; r < k; r++) {
            const double f = m[size_t(r) * w + size_t(c)];
            if (r == c || f == 0)
                continue;
            for (size_t j = 0; j < w; j++)
                m[size_t(r) * w + j] -= f * m[size_t(c) * w + j];
        }
    }
    for (int i = 0; i < k; i++) {
        y[size_t(i)] = m[size_t(i) * w + size_t(2 * k)];
        if (inverse)
            for (int j = 0; j < k; j++)
                a[size_t(i) * size_t(k) + size_t(j)] = m[size_t(i) * w + size_t(k + j)] - 1.0 / k;
    }
    return true;
}

// Everything the fit needs, gathered once from the matrix.
class CmlProblem {
public:
    explicit CmlProblem(const ResponseMatrix &m) : m_(m) {}
    bool select(std::string &problem);            // estimable items, persons used, groups
    // gradient of the log-likelihood, information matrix, log-likelihood at beta
    double evaluate(const std::vector<double> &beta, std::vector<double> &g, std::vector<double> &info) const;
    int k() const { return int(items_.size()); }
    const std::vector<int> &items() const { return items_; }
    int persons_used() const { return persons_used_; }
    const std::vector<long> &right() const { return right_; }
    const std::vector<long> &answered() const { return answered_; }

private:
    bool connected() const;
    const ResponseMatrix &m_;
    std::vector<int> items_;       // matrix columns of the estimable items
    std::vector<Group> groups_;
    std::vector<long> right_, answered_;  // per estimable item, over the persons used
    int persons_used_ = 0;
};

bool CmlProblem::select(std::string &problem)
{
    std::vector<bool> keep(size_t(m_.items), true);
    std::vector<long> right, seen;
    // leave out items without both answers and persons with extreme scores, until nothing changes
    for (bool changed = true; changed;) {
        changed = false;
        right.assign(size_t(m_.items), 0);
        seen.assign(size_t(m_.items), 0);
        for (int v = 0; v < m_.persons; v++) {
            int n = 0, r = 0;
            for (int i = 0; i < m_.items; i++)
                if (keep[size_t(i)] && m_.at(v, i) >= 0) {
                    n++;
                    r += m_.at(v, i);
                }
            if (r == 0 || r == n)
                continue;
            for (int i = 0; i < m_.items; i++)
                if (keep[size_t(i)] && m_.at(v, i) >= 0) {
                    seen[size_t(i)]++;
                    right[size_t(i)] += m_.at(v, i);
                }
        }
        for (int i = 0; i < m_.items; i++)
            if (keep[size_t(i)] && (right[size_t(i)] == 0 || right[size_t(i)] == seen[size_t(i)])) {
                keep[size_t(i)] = false;
                changed = true;
            }
    }
    items_.clear();
    for (int i = 0; i < m_.items; i++)
        if (keep[size_t(i)]) {
            items_.push_back(i);
            right_.push_back(right[size_t(i)]);
            answered_.push_back(seen[size_t(i)]);
        }
    if (items_.size() < 2) {
        problem = "fewer than two items have both right and wrong answers from persons with a non-extreme score";
        return false;
    }
    std::map<std::vector<int>, size_t> group_of;
    std::vector<int> answered_items;
    for (int v = 0; v < m_.persons; v++) {
        answered_items.clear();
        int r = 0;
        for (int j = 0; j < k(); j++)
            if (m_.at(v, items_[size_t(j)]) >= 0) {
                answered_items.push_back(j);
                r += m_.at(v, items_[size_t(j)]);
            }
        if (r == 0 || r == int(answered_items.size()))
            continue;
        persons_used_++;
        auto [it, fresh] = group_of.try_emplace(answered_items, groups_.size());
        if (fresh)
            groups_.push_back(Group{answered_items, std::vector<long>(answered_items.size() + 1, 0)});
        groups_[it->second].by_score[size_t(r)]++;
    }
    if (!connected()) {
        problem = "the estimates do not exist: some items are always right whenever others are wrong (a Guttman "
                  "pattern); more sessions are needed";
        return false;
    }
    return true;
}

// The conditional estimates exist when the graph "i right while j wrong"
// is strongly connected (Fischer, 1981).
bool CmlProblem::connected() const
{
    const int n = k();
    std::vector<std::vector<bool>> edge(size_t(n), std::vector<bool>(size_t(n), false));
    std::vector<int> rights, wrongs;
    for (int v = 0; v < m_.persons; v++) {
        rights.clear();
        wrongs.clear();
        for (int j = 0; j < n; j++) {
            const int8_t x = m_.at(v, items_[size_t(j)]);
            if (x == 1)
                rights.push_back(j);
            else if (x == 0)
                wrongs.push_back(j);
        }
        for (int a : rights)
            for (int b : wrongs)
                edge[size_t(a)][size_t(b)] = true;
    }
    for (bool forward : {true, false}) {
        std::vector<bool> reached(size_t(n), false);
        std::vector<int> stack{0};
        reached[0] = true;
        while (!stack.empty()) {
            const int a = stack.back();
            stack.pop_back();
            for (int b = 0; b < n; b++)
                if (!reached[size_t(b)] && (forward ? edge[size_t(a)][size_t(b)] : edge[size_t(b)][size_t(a)])) {
                    reached[size_t(b)] = true;
                    stack.push_back(b);
                }
        }
        if (std::find(reached.begin(), reached.end(), false) != reached.end())
            return false;
    }
    return true;
}

double CmlProblem::evaluate(const std::vector<double> &beta, std::vector<double> &g, std::vector<double> &info) const
{
    const int n = k();
    g.assign(size_t(n), 0.0);
    info.assign(size_t(n) * size_t(n), 0.0);
    double loglik = 0;
    for (int j = 0; j < n; j++)
        loglik -= double(right_[size_t(j)]) * beta[size_t(j)];
    std::vector<double> eps, gamma, without, pair;
    std::vector<std::vector<double>> pi;  // pi[r][j]: P(item j right | score r)
    for (const Group &grp : groups_) {
        const int m = int(grp.items.size());
        // eps relative to the group's mean difficulty keeps gamma in range; the
        // probabilities do not change, the log-likelihood is shifted back below
        double shift = 0;
        for (int j : grp.items)
            shift += beta[size_t(j)];
        shift /= m;
        eps.resize(size_t(m));
        for (int a = 0; a < m; a++)
            eps[size_t(a)] = std::exp(shift - beta[size_t(grp.items[size_t(a)])]);
        esf_without(eps, -1, -1, gamma);
        pi.assign(size_t(m) + 1, std::vector<double>(size_t(m), 0.0));
        for (int a = 0; a < m; a++) {
            esf_without(eps, a, -1, without);
            for (int r = 1; r < m; r++)
                pi[size_t(r)][size_t(a)] = eps[size_t(a)] * without[size_t(r - 1)] / gamma[size_t(r)];
        }
        for (int r = 1; r < m; r++) {
            const double nr = double(grp.by_score[size_t(r)]);
            if (nr == 0)
                continue;
            loglik -= nr * (std::log(gamma[size_t(r)]) - r * shift);
            for (int a = 0; a < m; a++) {
                const int ja = grp.items[size_t(a)];
                const double p = pi[size_t(r)][size_t(a)];
                g[size_t(ja)] += nr * p;
                info[size_t(ja) * size_t(n) + size_t(ja)] += nr * p * (1 - p);
            }
        }
        // covariances: P(a and b right | r) needs gamma without both
        for (int a = 0; a < m; a++)
            for (int b = a + 1; b < m; b++) {
                esf_without(eps, a, b, pair);
                const int ja = grp.items[size_t(a)], jb = grp.items[size_t(b)];
                double c = 0;
                for (int r = 2; r < m; r++) {
                    const double nr = double(grp.by_score[size_t(r)]);
                    if (nr == 0)
                        continue;
                    const double both = eps[size_t(a)] * eps[size_t(b)] * pair[size_t(r - 2)] / gamma[size_t(r)];
                    c += nr * (both - pi[size_t(r)][size_t(a)] * pi[size_t(r)][size_t(b)]);
                }
                // the score-1 persons: both right is impossible
                const double n1 = double(grp.by_score[1]);
                c -= n1 * pi[1][size_t(a)] * pi[1][size_t(b)];
                info[size_t(ja) * size_t(n) + size_t(jb)] += c;
                info[size_t(jb) * size_t(n) + size_t(ja)] += c;
            }
    }
    for (int j = 0; j < n; j++)
        g[size_t(j)] -= double(right_[size_t(j)]);  // d logL / d beta_j = expected right - observed right
    return loglik;
}

}  // namespace

std::vector<double> elementary_symmetric(const std::vector<double> &eps)
{
    std::vector<double> g;
    esf_without(eps, -1, -1, g);
    return g;
}

RaschFit fit_rasch_cml(const ResponseMatrix &m)
{
    RaschFit fit;
    fit.b.assign(size_t(m.items), nan);
    fit.se.assign(size_t(m.items), nan);
    CmlProblem prob(m);
    if (!prob.select(fit.problem))
        return fit;
    const int k = prob.k();
    fit.persons_used = prob.persons_used();
    // start: log-odds of a wrong answer, centred
    std::vector<double> beta(static_cast<size_t>(k));
    double mean = 0;
    for (int j = 0; j < k; j++) {
        const double r = double(prob.right()[size_t(j)]), n = double(prob.answered()[size_t(j)]);
        beta[size_t(j)] = std::log((n - r) / r);
        mean += beta[size_t(j)] / k;
    }
    for (double &b : beta)
        b -= mean;
    std::vector<double> g, info;
    bool converged = false;
    for (fit.iterations = 0; fit.iterations < 100; fit.iterations++) {
        fit.log_likelihood = prob.evaluate(beta, g, info);
        std::vector<double> step = g, unused = info;
        if (!solve_centred(unused, step, k, false))
            break;
        double largest = 0;
        for (double d : step)
            largest = std::max(largest, std::fabs(d));
        if (largest < 1e-10) {
            converged = true;
            break;
        }
        const double scale = largest > 1 ? 1 / largest : 1;  // at most one logit a step
        double centre = 0;
        for (int j = 0; j < k; j++) {
            beta[size_t(j)] += scale * step[size_t(j)];
            centre += beta[size_t(j)] / k;
        }
        for (double &b : beta)
            b -= centre;
    }
    std::vector<double> zero(size_t(k), 0.0);
    if (!converged || !solve_centred(info, zero, k, true)) {
        fit.problem = "the conditional likelihood did not converge";
        return fit;
    }
    for (int j = 0; j < k; j++) {
        const int col = prob.items()[size_t(j)];
        fit.b[size_t(col)] = beta[size_t(j)];
        fit.se[size_t(col)] = std::sqrt(std::max(0.0, info[size_t(j) * size_t(k) + size_t(j)]));
    }
    fit.fitted = true;
    return fit;
}

Ability warm_ability(const std::vector<double> &b, int score)
{
    if (b.empty())
        return {nan, nan};
    // Warm (1989): the root of  r - sum P + J / (2 I)  with
    // I = sum P(1-P) (test information) and J = sum P(1-P)(1-2P)
    auto terms = [&](double theta, double &info) {
        double sum_p = 0, j = 0;
        info = 0;
        for (double d : b) {
            const double p = 1 / (1 + std::exp(d - theta));
            sum_p += p;
            info += p * (1 - p);
            j += p * (1 - p) * (1 - 2 * p);
        }
        return score - sum_p + j / (2 * info);
    };
    double lo = -30, hi = 30, info = 0;
    for (int i = 0; i < 200 && hi - lo > 1e-12; i++) {
        const double mid = (lo + hi) / 2;
        if (terms(mid, info) > 0)
            lo = mid;
        else
            hi = mid;
    }
    const double theta = (lo + hi) / 2;
    terms(theta, info);
    return {theta, 1 / std::sqrt(info)};
}

}  // namespace report
