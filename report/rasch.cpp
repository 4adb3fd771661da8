#include "report/rasch.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace report {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

// gamma_0 .. gamma_n of eps by the summation algorithm.
void esf(const std::vector<double> &eps, std::vector<double> &g)
{
    g.assign(eps.size() + 1, 0.0);
    g[0] = 1;
    for (size_t j = 0; j < eps.size(); j++)
        for (size_t r = j + 1; r >= 1; r--)
            g[r] += eps[j] * g[r - 1];
}

// The functions of a set without one of its items, of parameter e: the
// polynomial sum g_r x^r divided by (1 + e x), in O(n). Upward,
// q_r = g_r - e q_{r-1} loses nothing while e q_{r-1} <= q_r; downward,
// q_{r-1} = (g_r - q_r) / e loses nothing while e q_{r-1} >= q_r. The
// ratio e q_{r-1} / q_r rises with r (the functions are log-concave), so
// one switch point divides the two safe ranges and no error grows.
void esf_remove(const double *g, int n, double e, double *q)
{
    int s = n;  // first order taken from the downward recursion
    q[0] = g[0];
    for (int r = 1; r < n; r++) {
        const double t = e * q[r - 1];
        if (t > g[r] / 2) {
            s = r;
            break;
        }
        q[r] = g[r] - t;
    }
    if (s < n) {
        q[n - 1] = g[n] / e;
        for (int r = n - 1; r > s; r--)
            q[r - 1] = std::max(0.0, (g[r] - q[r]) / e);
    }
}

// A set of persons who answered the same items: their count per score.
struct Group {
    std::vector<int> items;       // estimable items answered (indices into the fit's item list)
    std::vector<long> by_score;   // persons per score 0..items.size()
};

// Solves (A + 11'/k) x = y in place through a Cholesky factor; A's null
// space is the vector of ones (a shift of all difficulties), so the sum
// makes it positive definite and the result is A's pseudo-inverse applied
// to y. With `inverse`, returns the pseudo-inverse of A in `a` as well.
bool solve_centred(std::vector<double> &a, std::vector<double> &y, int k, bool inverse)
{
    const size_t n = size_t(k);
    std::vector<double> l(n * n, 0.0);  // lower factor, row-major
    for (size_t i = 0; i < n; i++)
        for (size_t j = 0; j <= i; j++) {
            double sum = a[i * n + j] + 1.0 / k;
            const double *li = &l[i * n], *lj = &l[j * n];
            for (size_t t = 0; t < j; t++)
                sum -= li[t] * lj[t];
            if (i == j) {
                if (!(sum > 0))
                    return false;
                l[i * n + i] = std::sqrt(sum);
            } else {
                l[i * n + j] = sum / l[j * n + j];
            }
        }
    for (size_t i = 0; i < n; i++) {  // L z = y
        double sum = y[i];
        for (size_t t = 0; t < i; t++)
            sum -= l[i * n + t] * y[t];
        y[i] = sum / l[i * n + i];
    }
    for (size_t i = n; i-- > 0;) {  // L' x = z
        double sum = y[i];
        for (size_t t = i + 1; t < n; t++)
            sum -= l[t * n + i] * y[t];
        y[i] = sum / l[i * n + i];
    }
    if (!inverse)
        return true;
    // inverse of L (lower, row-major), then (L^-1)' L^-1
    std::vector<double> v(n * n, 0.0);
    for (size_t j = 0; j < n; j++) {
        v[j * n + j] = 1 / l[j * n + j];
        for (size_t i = j + 1; i < n; i++) {
            double sum = 0;
            for (size_t t = j; t < i; t++)
                sum -= l[i * n + t] * v[t * n + j];
            v[i * n + j] = sum / l[i * n + i];
        }
    }
    for (size_t i = 0; i < n; i++)
        for (size_t j = 0; j <= i; j++) {
            double sum = 0;
            for (size_t t = i; t < n; t++)
                sum += v[t * n + i] * v[t * n + j];
            a[i * n + j] = a[j * n + i] = sum - 1.0 / k;
        }
    return true;
}

// Everything the fit needs, gathered once from the matrix.
class CmlProblem {
public:
    explicit CmlProblem(const ResponseMatrix &m) : m_(m) {}
    bool select(std::string &problem);            // estimable items, persons used, groups
    // gradient of the log-likelihood, information matrix, log-likelihood at beta
    // with `full`, `info` is the whole k x k matrix, else only its diagonal
    double evaluate(const std::vector<double> &beta, std::vector<double> &g, std::vector<double> &info,
                    bool full) const;
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
    const size_t words = size_t(n + 63) / 64;
    std::vector<uint64_t> edge(size_t(n) * words, 0), wrong(words);  // edge a -> b: bit b of row a
    std::vector<int> rights;
    for (int v = 0; v < m_.persons; v++) {
        rights.clear();
        std::fill(wrong.begin(), wrong.end(), 0);
        for (int j = 0; j < n; j++) {
            const int8_t x = m_.at(v, items_[size_t(j)]);
            if (x == 1)
                rights.push_back(j);
            else if (x == 0)
                wrong[size_t(j) / 64] |= uint64_t(1) << (j % 64);
        }
        for (int a : rights)
            for (size_t w = 0; w < words; w++)
                edge[size_t(a) * words + w] |= wrong[w];
    }
    auto has = [&](int a, int b) { return edge[size_t(a) * words + size_t(b) / 64] >> (b % 64) & 1; };
    for (bool forward : {true, false}) {
        std::vector<bool> reached(size_t(n), false);
        std::vector<int> stack{0};
        reached[0] = true;
        while (!stack.empty()) {
            const int a = stack.back();
            stack.pop_back();
            for (int b = 0; b < n; b++)
                if (!reached[size_t(b)] && (forward ? has(a, b) : has(b, a))) {
                    reached[size_t(b)] = true;
                    stack.push_back(b);
                }
        }
        if (std::find(reached.begin(), reached.end(), false) != reached.end())
            return false;
    }
    return true;
}

double CmlProblem::evaluate(const std::vector<double> &beta, std::vector<double> &g, std::vector<double> &info,
                            bool full) const
{
    const int n = k();
    g.assign(size_t(n), 0.0);
    info.assign(full ? size_t(n) * size_t(n) : size_t(n), 0.0);
    const size_t diag = full ? size_t(n) + 1 : 1;  // stride of the diagonal in `info`
    double loglik = 0;
    for (int j = 0; j < n; j++)
        loglik -= double(right_[size_t(j)]) * beta[size_t(j)];
    std::vector<double> eps, gamma, without, pi, pair, sum2, weight;
    std::vector<int> scores;
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
        esf(eps, gamma);
        scores.clear();
        for (int r = 1; r < m; r++)
            if (grp.by_score[size_t(r)] > 0) {
                scores.push_back(r);
                loglik -= double(grp.by_score[size_t(r)]) * (std::log(gamma[size_t(r)]) - r * shift);
            }
        // without[a]: gamma without item a; pi[s][a]: P(a right | the s-th score)
        without.resize(size_t(m) * size_t(m));
        pi.assign(scores.size() * size_t(m), 0.0);
        for (int a = 0; a < m; a++) {
            double *q = &without[size_t(a) * size_t(m)];
            esf_remove(gamma.data(), m, eps[size_t(a)], q);
            const int ja = grp.items[size_t(a)];
            for (size_t s = 0; s < scores.size(); s++) {
                const int r = scores[s];
                const double nr = double(grp.by_score[size_t(r)]);
                const double p = std::min(1.0, eps[size_t(a)] * q[r - 1] / gamma[size_t(r)]);
                pi[size_t(a) * scores.size() + s] = p;
                g[size_t(ja)] += nr * p;
                info[size_t(ja) * diag] += nr * p * (1 - p);
            }
        }
        if (!full || m < 2)
            continue;
        // covariances: P(a and b right | r) = eps_a eps_b gamma^(ab)_{r-2} / gamma_r, summed
        // over the scores. Since eps_a gamma^(a) - eps_b gamma^(b) = (eps_a - eps_b) gamma^(ab),
        // the sum follows from per-item sums; for close eps, gamma^(ab) is made directly.
        sum2.assign(size_t(m), 0.0);
        for (int a = 0; a < m; a++)
            for (int r : scores)
                if (r >= 2)
                    sum2[size_t(a)] += double(grp.by_score[size_t(r)]) * without[size_t(a) * size_t(m) + size_t(r - 2)] /
                                       gamma[size_t(r)];
        pair.resize(size_t(m));
        weight.resize(scores.size());
        for (size_t s = 0; s < scores.size(); s++)
            weight[s] = double(grp.by_score[size_t(scores[s])]);
        for (int a = 0; a < m; a++)
            for (int b = a + 1; b < m; b++) {
                const double ea = eps[size_t(a)], eb = eps[size_t(b)];
                double both;
                if (std::fabs(ea - eb) > 1e-3 * std::max(ea, eb)) {
                    both = ea * eb * (ea * sum2[size_t(a)] - eb * sum2[size_t(b)]) / (ea - eb);
                } else {
                    esf_remove(&without[size_t(a) * size_t(m)], m - 1, eb, pair.data());
                    both = 0;
                    for (int r : scores)
                        if (r >= 2)
                            both += double(grp.by_score[size_t(r)]) * pair[size_t(r - 2)] / gamma[size_t(r)];
                    both *= ea * eb;
                }
                double cross = 0;
                const double *pa = &pi[size_t(a) * scores.size()], *pb = &pi[size_t(b) * scores.size()];
                for (size_t s = 0; s < scores.size(); s++)
                    cross += weight[s] * pa[s] * pb[s];
                const size_t ja = size_t(grp.items[size_t(a)]), jb = size_t(grp.items[size_t(b)]);
                info[ja * size_t(n) + jb] += both - cross;
                info[jb * size_t(n) + ja] += both - cross;
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
    esf(eps, g);
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
    auto apply = [&](const std::vector<double> &step) {  // at most one logit a step, sum kept 0
        double largest = 0;
        for (double d : step)
            largest = std::max(largest, std::fabs(d));
        const double scale = largest > 1 ? 1 / largest : 1;
        double centre = 0;
        for (int j = 0; j < k; j++) {
            beta[size_t(j)] += scale * step[size_t(j)];
            centre += beta[size_t(j)] / k;
        }
        for (double &b : beta)
            b -= centre;
        return largest;
    };
    // Cheap steps first: the information matrix is close to D - d d'/sum(d)
    // (d its diagonal), whose centred pseudo-inverse step is g_i / d_i centred;
    // each costs O(k^2) per group of persons instead of O(k^3).
    std::vector<double> g, info, step(static_cast<size_t>(k));
    for (int cheap = 0; cheap < 500; cheap++, fit.iterations++) {
        prob.evaluate(beta, g, info, false);
        double centre = 0;
        for (int j = 0; j < k; j++) {
            step[size_t(j)] = g[size_t(j)] / info[size_t(j)];
            centre += step[size_t(j)] / k;
        }
        for (double &d : step)
            d -= centre;
        if (apply(step) < 1e-6)
            break;
    }
    // then Newton-Raphson with the whole matrix, which the standard errors need anyway
    bool converged = false;
    for (int newton = 0; newton < 50; newton++, fit.iterations++) {
        fit.log_likelihood = prob.evaluate(beta, g, info, true);
        step = g;
        std::vector<double> unused = info;
        if (!solve_centred(unused, step, k, false))
            break;
        double largest = 0;
        for (double d : step)
            largest = std::max(largest, std::fabs(d));
        if (largest < 1e-10) {
            converged = true;
            break;
        }
        apply(step);
    }
    std::vector<double> zero(size_t(k), 0.0);
    if (!converged || !std::isfinite(fit.log_likelihood) || !solve_centred(info, zero, k, true)) {
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
