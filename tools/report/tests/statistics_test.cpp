// The statistics against hand-worked examples and independent computations.
#include "report/classical.h"
#include "report/rasch.h"
#include "tools/report/sim/simulate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace report;

namespace {

// Rasch answers of `persons` simulated persons (abilities mean, sd) to items of difficulty b.
ResponseMatrix simulate(const std::vector<double> &b, int persons, double mean, double sd, uint64_t seed)
{
    sim::Random rng(seed);
    ResponseMatrix m(persons, int(b.size()));
    for (int v = 0; v < persons; v++) {
        const double theta = mean + sd * rng.normal();
        for (size_t i = 0; i < b.size(); i++)
            m.at(v, int(i)) = int8_t(rng.uniform() < 1 / (1 + std::exp(b[i] - theta)));
    }
    return m;
}

// The conditional log-likelihood by brute force: for every person, the
// probability of their answers among all patterns with the same score,
// found by listing all 2^k patterns (no elementary symmetric functions).
double brute_force_loglik(const ResponseMatrix &m, const std::vector<double> &beta)
{
    const int k = m.items;
    std::vector<double> by_score(size_t(k) + 1, 0.0);  // sum over patterns with score r of exp(-x.beta)
    for (unsigned pattern = 0; pattern < (1u << k); pattern++) {
        double e = 0;
        int r = 0;
        for (int i = 0; i < k; i++)
            if (pattern >> i & 1) {
                e -= beta[size_t(i)];
                r++;
            }
        by_score[size_t(r)] += std::exp(e);
    }
    double ll = 0;
    for (int v = 0; v < m.persons; v++) {
        int r = 0;
        double e = 0;
        for (int i = 0; i < k; i++)
            if (m.at(v, i) == 1) {
                r++;
                e -= beta[size_t(i)];
            }
        if (r > 0 && r < k)
            ll += e - std::log(by_score[size_t(r)]);
    }
    return ll;
}

// Maximises f over x by cyclic golden-section searches, one coordinate at a time.
void coordinate_ascent(std::vector<double> &x, const std::function<double(const std::vector<double> &)> &f)
{
    const double g = (std::sqrt(5.0) - 1) / 2;
    for (int sweep = 0; sweep < 300; sweep++)
        for (size_t i = 0; i < x.size(); i++) {
            double a = x[i] - 3, b = x[i] + 3;
            while (b - a > 1e-10) {
                const double c = b - g * (b - a), d = a + g * (b - a);
                x[i] = c;
                const double fc = f(x);
                x[i] = d;
                const double fd = f(x);
                (fc > fd ? b : a) = fc > fd ? d : c;
            }
            x[i] = (a + b) / 2;
        }
}

}  // namespace

// Four persons, three items, worked by hand:
//            item 1  2  3   total
//   person 1      1  1  1     3
//   person 2      1  1  0     2
//   person 3      1  0  0     1
//   person 4      0  0  0     0
// p = 3/4, 2/4, 1/4. Totals 3 2 1 0: mean 1.5, variance (divided by N)
// (2.25 + .25 + .25 + 2.25) / 4 = 1.25; sum of pq = .1875 + .25 + .1875 = .625;
// KR-20 = 3/2 (1 - .625 / 1.25) = 0.75.
// Item 1 against the rest (2 1 0 0): deviations .25 .25 .25 -.75 and
// 1.25 .25 -.75 -.75, cross products sum .75, squares .75 and 2.75:
// r = .75 / sqrt(.75 * 2.75) = sqrt(3/11). Item 2 against 2 1 1 0:
// r = 1 / sqrt(1 * 2) = sqrt(1/2). Item 3 mirrors item 1: sqrt(3/11).
TEST(Classical, HandWorkedFourPersonsThreeItems)
{
    const ClassicalStats s = classical_statistics({{1, 1, 1}, {1, 1, 0}, {1, 0, 0}, {0, 0, 0}});
    EXPECT_EQ(s.persons, 4);
    EXPECT_DOUBLE_EQ(s.p[0], 0.75);
    EXPECT_DOUBLE_EQ(s.p[1], 0.5);
    EXPECT_DOUBLE_EQ(s.p[2], 0.25);
    EXPECT_NEAR(s.r_it[0], std::sqrt(3.0 / 11), 1e-12);
    EXPECT_NEAR(s.r_it[1], std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(s.r_it[2], std::sqrt(3.0 / 11), 1e-12);
    EXPECT_DOUBLE_EQ(s.mean_score, 1.5);
    EXPECT_DOUBLE_EQ(s.score_variance, 1.25);
    EXPECT_NEAR(s.kr20, 0.75, 1e-12);

    // an item everyone got right has no correlation; no score variance, no KR-20
    const ClassicalStats flat = classical_statistics({{1, 0}, {1, 0}});
    EXPECT_TRUE(std::isnan(flat.r_it[0]));
    EXPECT_TRUE(std::isnan(flat.kr20));
    EXPECT_DOUBLE_EQ(median({3, 1, 2}), 2);
    EXPECT_DOUBLE_EQ(median({4, 1, 2, 3}), 2.5);
    EXPECT_DOUBLE_EQ(quantile({10, 20, 30, 40, 50}, 0.25), 20);
    EXPECT_TRUE(std::isnan(median({})));
}

TEST(Rasch, ElementarySymmetricFunctionsMatchTheirDefinition)
{
    const std::vector<double> e = {0.5, 2, 1.5, 3};
    const std::vector<double> g = elementary_symmetric(e);
    ASSERT_EQ(g.size(), 5u);
    double g1 = 0, g2 = 0, g3 = 0;
    for (size_t a = 0; a < 4; a++) {
        g1 += e[a];
        for (size_t b = a + 1; b < 4; b++) {
            g2 += e[a] * e[b];
            for (size_t c = b + 1; c < 4; c++)
                g3 += e[a] * e[b] * e[c];
        }
    }
    EXPECT_DOUBLE_EQ(g[0], 1);
    EXPECT_DOUBLE_EQ(g[1], g1);
    EXPECT_DOUBLE_EQ(g[2], g2);
    EXPECT_DOUBLE_EQ(g[3], g3);
    EXPECT_DOUBLE_EQ(g[4], 0.5 * 2 * 1.5 * 3);
}

// The conditional estimates and their standard errors against a direct
// maximisation of the brute-force conditional likelihood.
TEST(Rasch, ConditionalFitEqualsDirectMaximisation)
{
    const ResponseMatrix m = simulate({-1.2, -0.4, 0.1, 0.6, 1.3}, 60, 0, 1, 7);
    const RaschFit fit = fit_rasch_cml(m);
    ASSERT_TRUE(fit.fitted) << fit.problem;

    std::vector<double> beta(5, 0.0);
    auto f = [&](const std::vector<double> &b) { return brute_force_loglik(m, b); };
    coordinate_ascent(beta, f);
    double mean = 0;
    for (double b : beta)
        mean += b / 5;
    for (int i = 0; i < 5; i++)
        EXPECT_NEAR(fit.b[size_t(i)], beta[size_t(i)] - mean, 1e-5) << "item " << i;
    EXPECT_NEAR(fit.log_likelihood, f(beta), 1e-8);

    // standard errors: numeric Hessian with item 5 as the reference (b5 = 0),
    // inverted, then carried over to difficulties centred on their mean
    std::vector<double> at = beta;
    for (double &b : at)
        b -= at[4];
    const double h = 1e-4;
    double hess[4][4];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) {
            auto shifted = [&](double di, double dj) {
                std::vector<double> x = at;
                x[size_t(i)] += di;
                x[size_t(j)] += dj;
                return f(x);
            };
            hess[i][j] = (shifted(h, h) - shifted(h, -h) - shifted(-h, h) + shifted(-h, -h)) / (4 * h * h);
        }
    // covariance = inverse of -Hessian (Gauss-Jordan, 4x4)
    double a[4][8];
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 8; j++)
            a[i][j] = j < 4 ? -hess[i][j] : (j - 4 == i);
    for (int c = 0; c < 4; c++) {
        const double d = a[c][c];
        for (int j = 0; j < 8; j++)
            a[c][j] /= d;
        for (int r = 0; r < 4; r++)
            if (r != c) {
                const double q = a[r][c];
                for (int j = 0; j < 8; j++)
                    a[r][j] -= q * a[c][j];
            }
    }
    // centred b_i = b_i - mean(b): coefficients t[i][j] on the free b_j
    for (int i = 0; i < 5; i++) {
        double t[4];
        for (int j = 0; j < 4; j++)
            t[j] = (i == j) - 1.0 / 5;
        double var = 0;
        for (int j = 0; j < 4; j++)
            for (int l = 0; l < 4; l++)
                var += t[j] * a[j][4 + l] * t[l];
        EXPECT_NEAR(fit.se[size_t(i)], std::sqrt(var), 1e-4) << "item " << i;
    }
}

// Conditional estimates do not depend on who took the test: a weak and a
// strong group answering the same items give the same difficulties.
TEST(Rasch, EstimatesDoNotDependOnTheAbilityDistribution)
{
    const std::vector<double> b = {-2, -1.5, -1, -0.5, 0, 0.3, 0.7, 1.2, 1.6, 2.2};
    const RaschFit weak = fit_rasch_cml(simulate(b, 3000, -1, 1, 11));
    const RaschFit strong = fit_rasch_cml(simulate(b, 3000, 1.2, 0.8, 12));
    ASSERT_TRUE(weak.fitted && strong.fitted);
    for (size_t i = 0; i < b.size(); i++) {
        const double se = std::sqrt(weak.se[i] * weak.se[i] + strong.se[i] * strong.se[i]);
        EXPECT_LT(std::fabs(weak.b[i] - strong.b[i]), 3 * se) << "item " << i;
        EXPECT_LT(std::fabs(weak.b[i] - (b[i] - 0.1)), 4 * weak.se[i]) << "item " << i;  // true b, centred
    }
}

TEST(Rasch, IncompleteAnswersExtremeItemsAndNonexistentEstimates)
{
    // persons stop at random items (answers after that missing): the fit uses what is there
    const std::vector<double> b = {-1.5, -0.5, 0, 0.5, 1.5};
    ResponseMatrix m = simulate(b, 2000, 0, 1, 21);
    sim::Random rng(5);
    for (int v = 0; v < m.persons; v += 3)
        for (int i = 2 + rng.below(3); i < m.items; i++)
            m.at(v, i) = -1;
    const RaschFit fit = fit_rasch_cml(m);
    ASSERT_TRUE(fit.fitted);
    for (size_t i = 0; i < b.size(); i++)
        EXPECT_LT(std::fabs(fit.b[i] - b[i]), 4 * fit.se[i]) << "item " << i;

    // an item everyone solved has no difficulty; the others are still estimated
    ResponseMatrix easy = simulate(b, 300, 0, 1, 22);
    for (int v = 0; v < easy.persons; v++)
        easy.at(v, 0) = 1;
    const RaschFit without = fit_rasch_cml(easy);
    ASSERT_TRUE(without.fitted);
    EXPECT_TRUE(std::isnan(without.b[0]));
    EXPECT_NEAR(without.b[1] + without.b[2] + without.b[3] + without.b[4], 0, 1e-9);

    // items 3 and 4 are never right while 1 or 2 is wrong: their difficulty
    // against items 1 and 2 could grow without end
    ResponseMatrix guttman(4, 4);
    const int8_t rows[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 1, 0}, {1, 1, 0, 1}};
    for (int v = 0; v < 4; v++)
        for (int i = 0; i < 4; i++)
            guttman.at(v, i) = rows[v][i];
    const RaschFit none = fit_rasch_cml(guttman);
    EXPECT_FALSE(none.fitted);
    EXPECT_NE(none.problem.find("do not exist"), std::string::npos);
}

// Warm's estimate maximises the likelihood times the square root of the
// test information; checked by a direct search, and finite at both ends.
TEST(Rasch, WarmAbilityMaximisesTheWeightedLikelihood)
{
    const std::vector<double> b = {-1, -0.2, 0.4, 1.1, 2};
    for (int score = 0; score <= 5; score++) {
        const Ability a = warm_ability(b, score);
        ASSERT_TRUE(std::isfinite(a.theta)) << score;
        // log L depends on the answers only through the score:
        // r theta - sum log(1 + exp(theta - b_i)) (+ a constant)
        auto weighted = [&](const std::vector<double> &t) {
            double ll = score * t[0], info = 0;
            for (double d : b) {
                const double p = 1 / (1 + std::exp(d - t[0]));
                info += p * (1 - p);
                ll -= std::log1p(std::exp(t[0] - d));
            }
            return ll + 0.5 * std::log(info);
        };
        std::vector<double> t = {0};
        coordinate_ascent(t, weighted);
        EXPECT_NEAR(a.theta, t[0], 1e-5) << "score " << score;
        double info = 0;
        for (double d : b) {
            const double p = 1 / (1 + std::exp(d - a.theta));
            info += p * (1 - p);
        }
        EXPECT_NEAR(a.se, 1 / std::sqrt(info), 1e-9);
    }
    // symmetric items: the middle score sits at 0, the ends mirror each other
    const std::vector<double> sym = {-1, 0, 1};
    EXPECT_NEAR(warm_ability(sym, 0).theta, -warm_ability(sym, 3).theta, 1e-9);
    EXPECT_LT(warm_ability(sym, 0).theta, warm_ability(sym, 1).theta);
}
