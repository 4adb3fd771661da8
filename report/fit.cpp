#include "report/fit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace report {

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

double probability(double theta, double b)
{
    return 1 / (1 + std::exp(b - theta));
}

// Wilson-Hilferty: a mean square of expected value 1 and standard
// deviation q to an approximately standard normal t.
double standardised(double msq, double q)
{
    if (!(q > 0) || !std::isfinite(msq))
        return nan;
    return (std::cbrt(msq) - 1) * (3 / q) + q / 3;
}

struct Sums {  // per item or person
    int n = 0;
    double z2 = 0, w = 0, wz2 = 0, c_over_w2 = 0, c_minus_w2 = 0;
    void add(int x, double p)
    {
        const double w1 = p * (1 - p), e = x - p;
        const double q = 1 - p, c = p * q * (q * q * q + p * p * p);  // fourth central moment p q^4 + q p^4
        n++;
        z2 += e * e / w1;
        w += w1;
        wz2 += e * e;
        c_over_w2 += c / (w1 * w1);
        c_minus_w2 += c - w1 * w1;
    }
    FitStatistic result() const
    {
        FitStatistic f;
        f.n = n;
        if (n == 0) {
            f.outfit = f.outfit_t = f.infit = f.infit_t = nan;
            return f;
        }
        f.outfit = z2 / n;
        f.outfit_t = standardised(f.outfit, std::sqrt(std::max(0.0, c_over_w2 / (double(n) * n) - 1.0 / n)));
        f.infit = wz2 / w;
        f.infit_t = standardised(f.infit, std::sqrt(std::max(0.0, c_minus_w2 / (w * w))));
        return f;
    }
};

// Regularised upper incomplete gamma Q(a, x): 1 - the series of P, or a continued fraction.
double gamma_q(double a, double x)
{
    if (x <= 0)
        return 1;
    const double lead = std::exp(-x + a * std::log(x) - std::lgamma(a));
    if (x < a + 1) {
        double term = 1 / a, sum = term;
        for (int n = 1; n < 1000 && std::fabs(term) > 1e-17 * std::fabs(sum); n++) {
            term *= x / (a + n);
            sum += term;
        }
        return std::max(0.0, 1 - sum * lead);
    }
    // Lentz's continued fraction for Q(a, x)
    const double tiny = 1e-300;
    double b = x + 1 - a, c = 1 / tiny, d = 1 / b, h = d;
    for (int i = 1; i < 1000; i++) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        d = std::fabs(d) < tiny ? tiny : d;
        c = b + an / c;
        c = std::fabs(c) < tiny ? tiny : c;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::fabs(delta - 1) < 1e-16)
            break;
    }
    return std::min(1.0, lead * h);
}

}  // namespace

Ability mle_ability(const std::vector<double> &b, int score)
{
    if (b.empty() || score <= 0 || score >= int(b.size()))
        return {nan, nan};
    // sum P rises with theta: Newton from the log-odds, bracketed by bisection
    double lo = -40, hi = 40, theta = std::log(double(score) / (double(b.size()) - score));
    for (double d : b)
        theta += d / double(b.size());
    double info = 0;
    for (int it = 0; it < 200; it++) {
        double sum = 0;
        info = 0;
        for (double d : b) {
            const double p = probability(theta, d);
            sum += p;
            info += p * (1 - p);
        }
        const double f = score - sum;
        (f > 0 ? lo : hi) = theta;
        double next = theta + f / info;
        if (!(next > lo && next < hi))
            next = (lo + hi) / 2;
        if (std::fabs(next - theta) < 1e-12) {
            theta = next;
            break;
        }
        theta = next;
    }
    info = test_information(b, theta);
    return {theta, 1 / std::sqrt(info)};
}

double test_information(const std::vector<double> &b, double theta)
{
    double info = 0;
    for (double d : b)
        if (!std::isnan(d)) {
            const double p = probability(theta, d);
            info += p * (1 - p);
        }
    return info;
}

ModelFit model_fit(const ResponseMatrix &m, const std::vector<double> &b)
{
    ModelFit fit;
    std::vector<Sums> items(size_t(m.items));
    fit.persons.resize(size_t(m.persons));
    fit.theta.assign(size_t(m.persons), nan);
    fit.theta_se.assign(size_t(m.persons), nan);
    std::map<std::pair<std::vector<int>, int>, Ability> done;  // one estimate per items answered and score
    std::vector<int> answered;
    std::vector<double> bs;
    double sum = 0, sum2 = 0, se2 = 0;
    for (int v = 0; v < m.persons; v++) {
        answered.clear();
        int score = 0;
        for (int i = 0; i < m.items; i++)
            if (m.at(v, i) >= 0 && !std::isnan(b[size_t(i)])) {
                answered.push_back(i);
                score += m.at(v, i);
            }
        Sums person;
        if (score > 0 && score < int(answered.size())) {
            auto [it, fresh] = done.try_emplace({answered, score}, Ability{nan, nan});
            if (fresh) {
                bs.clear();
                for (int i : answered)
                    bs.push_back(b[size_t(i)]);
                it->second = mle_ability(bs, score);
            }
            const double theta = it->second.theta;
            fit.theta[size_t(v)] = theta;
            fit.theta_se[size_t(v)] = it->second.se;
            for (int i : answered) {
                const double p = probability(theta, b[size_t(i)]);
                person.add(m.at(v, i), p);
                items[size_t(i)].add(m.at(v, i), p);
            }
            fit.persons_used++;
            sum += theta;
            sum2 += theta * theta;
            se2 += it->second.se * it->second.se;
        }
        fit.persons[size_t(v)] = person.result();
    }
    for (const Sums &s : items)
        fit.items.push_back(s.result());
    const double n = fit.persons_used;
    const double variance = n > 1 ? (sum2 - sum * sum / n) / (n - 1) : nan;
    fit.separation_reliability = variance > 0 ? (variance - se2 / n) / variance : nan;
    return fit;
}

double chi_square_tail(double x, double df)
{
    if (!(df > 0) || std::isnan(x))
        return nan;
    return gamma_q(df / 2, x / 2);
}

double normal_two_sided(double z)
{
    return std::erfc(std::fabs(z) / std::sqrt(2.0));
}

}  // namespace report
