#include "symmetric_eigen.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

namespace tavrix {
namespace {

constexpr int kMaxSweeps = 60;
constexpr int kMaxIterations = 500;
constexpr std::size_t kExtraVectors = 6;  // beyond those asked for: the gap that sets the speed

// Orders the pairs by value, largest first (ties: lower column first), and
// turns each vector so that its largest entry is positive.
Eigenpairs Sorted(const std::vector<double>& values, const std::vector<double>& vectors, std::size_t size,
                  std::size_t count) {
    std::vector<std::size_t> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return values[a] > values[b]; });
    Eigenpairs out;
    for (std::size_t t = 0; t < count; ++t) {
        const double* v = vectors.data() + order[t] * size;
        std::size_t largest = 0;
        for (std::size_t e = 1; e < size; ++e)
            if (std::fabs(v[e]) > std::fabs(v[largest])) largest = e;
        const double sign = v[largest] < 0.0 ? -1.0 : 1.0;
        out.values.push_back(values[order[t]]);
        for (std::size_t e = 0; e < size; ++e) out.vectors.push_back(sign * v[e]);
    }
    return out;
}

double Dot(const double* x, const double* y, std::size_t size) {
    double sum = 0.0;
    for (std::size_t e = 0; e < size; ++e) sum += x[e] * y[e];
    return sum;
}

// Modified Gram-Schmidt over the `columns` columns of `q`. A column that
// lies (numerically) in the span of those before it is replaced by the first
// unit vector that does not, so the basis stays whole on a matrix of low rank.
void Orthonormalise(std::vector<double>& q, std::size_t size, std::size_t columns) {
    std::size_t fallback = 0;
    for (std::size_t t = 0; t < columns; ++t) {
        double* v = q.data() + t * size;
        for (int attempt = 0;; ++attempt) {
            const double before = std::sqrt(Dot(v, v, size));
            for (std::size_t s = 0; s < t; ++s) {
                const double* u = q.data() + s * size;
                const double projection = Dot(u, v, size);
                for (std::size_t e = 0; e < size; ++e) v[e] -= projection * u[e];
            }
            const double norm = std::sqrt(Dot(v, v, size));
            if (norm > 1e-10 * before && norm > 0.0) {
                for (std::size_t e = 0; e < size; ++e) v[e] /= norm;
                break;
            }
            std::fill(v, v + size, 0.0);
            v[fallback++ % size] = 1.0;
            if (attempt > static_cast<int>(size)) break;  // cannot happen for columns <= size
        }
    }
}

}  // namespace

Eigenpairs JacobiEigenpairs(std::vector<double> a, std::size_t n) {
    std::vector<double> v(n * n, 0.0);
    for (std::size_t e = 0; e < n; ++e) v[e * n + e] = 1.0;
    for (int sweep = 0; sweep < kMaxSweeps; ++sweep) {
        double off = 0.0, total = 0.0;
        for (std::size_t c = 0; c < n; ++c)
            for (std::size_t r = 0; r < n; ++r) {
                const double x = a[c * n + r] * a[c * n + r];
                total += x;
                if (r != c) off += x;
            }
        if (off <= 1e-30 * total || off == 0.0) break;
        for (std::size_t p = 0; p + 1 < n; ++p)
            for (std::size_t q = p + 1; q < n; ++q) {
                const double apq = a[q * n + p];
                if (apq == 0.0) continue;
                const double theta = (a[q * n + q] - a[p * n + p]) / (2.0 * apq);
                const double t = (theta >= 0.0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1.0));
                const double c = 1.0 / std::sqrt(t * t + 1.0);
                const double s = t * c;
                for (std::size_t k = 0; k < n; ++k) {  // columns p and q
                    const double akp = a[p * n + k], akq = a[q * n + k];
                    a[p * n + k] = c * akp - s * akq;
                    a[q * n + k] = s * akp + c * akq;
                }
                for (std::size_t k = 0; k < n; ++k) {  // rows p and q
                    const double apk = a[k * n + p], aqk = a[k * n + q];
                    a[k * n + p] = c * apk - s * aqk;
                    a[k * n + q] = s * apk + c * aqk;
                }
                for (std::size_t k = 0; k < n; ++k) {
                    const double vkp = v[p * n + k], vkq = v[q * n + k];
                    v[p * n + k] = c * vkp - s * vkq;
                    v[q * n + k] = s * vkp + c * vkq;
                }
            }
    }
    std::vector<double> values(n);
    for (std::size_t e = 0; e < n; ++e) values[e] = a[e * n + e];
    return Sorted(values, v, n, n);
}

namespace {

// out = matrix x in for `p` vectors of n, each entry summed over c ascending
// from 0.0. Row r of the symmetric matrix is its column r: read along rows,
// from contiguous memory, once for four vectors at a time.
void MultiplyRows(const std::vector<double>& matrix, std::size_t n, const std::vector<double>& in, std::size_t p,
                  std::vector<double>& out) {
    std::size_t t = 0;
    for (; t + 4 <= p; t += 4)
        for (std::size_t r = 0; r < n; ++r) {
            const double* row = matrix.data() + r * n;
            const double *x0 = in.data() + t * n, *x1 = x0 + n, *x2 = x1 + n, *x3 = x2 + n;
            double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
            for (std::size_t c = 0; c < n; ++c) {
                s0 += row[c] * x0[c];
                s1 += row[c] * x1[c];
                s2 += row[c] * x2[c];
                s3 += row[c] * x3[c];
            }
            out[t * n + r] = s0;
            out[(t + 1) * n + r] = s1;
            out[(t + 2) * n + r] = s2;
            out[(t + 3) * n + r] = s3;
        }
    for (; t < p; ++t)
        for (std::size_t r = 0; r < n; ++r) {
            double sum = 0.0;
            for (std::size_t c = 0; c < n; ++c) sum += matrix[r * n + c] * in[t * n + c];
            out[t * n + r] = sum;
        }
}

}  // namespace

Eigenpairs LargestEigenpairs(const std::vector<double>& matrix, std::size_t n, std::size_t count) {
    if (n == 0 || count == 0) return {};
    const std::size_t p = std::min(n, count + kExtraVectors);
    if (p == n) {
        Eigenpairs all = JacobiEigenpairs(matrix, n);
        all.values.resize(count);
        all.vectors.resize(count * n);
        return all;
    }
    // A fixed start that no structure of the data lines up with.
    std::vector<double> q(n * p);
    std::uint64_t state = 0x2545f4914f6cdd1dULL;
    for (double& x : q) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        x = static_cast<double>(state >> 11) * 0x1.0p-53 - 0.5;
    }
    Orthonormalise(q, n, p);
    std::vector<double> z(n * p), h(p * p), previous(count, 0.0);
    Eigenpairs ritz;
    for (int iteration = 0; iteration < kMaxIterations; ++iteration) {
        MultiplyRows(matrix, n, q, p, z);  // z = matrix x q
        Orthonormalise(z, n, p);
        // Rayleigh-Ritz: h = z' matrix z, whose eigenvectors rotate z.
        MultiplyRows(matrix, n, z, p, q);
        for (std::size_t s = 0; s < p; ++s)
            for (std::size_t t = 0; t < p; ++t) h[t * p + s] = Dot(z.data() + s * n, q.data() + t * n, n);
        for (std::size_t s = 0; s < p; ++s)
            for (std::size_t t = s + 1; t < p; ++t) h[t * p + s] = h[s * p + t] = 0.5 * (h[t * p + s] + h[s * p + t]);
        ritz = JacobiEigenpairs(h, p);
        for (std::size_t t = 0; t < p; ++t)
            for (std::size_t r = 0; r < n; ++r) {
                double sum = 0.0;
                for (std::size_t s = 0; s < p; ++s) sum += z[s * n + r] * ritz.vectors[t * p + s];
                q[t * n + r] = sum;
            }
        bool settled = true;
        for (std::size_t t = 0; t < count; ++t) {
            settled = settled && std::fabs(ritz.values[t] - previous[t]) <= 1e-14 * std::fabs(ritz.values[0]);
            previous[t] = ritz.values[t];
        }
        if (settled && iteration > 0) break;
    }
    std::vector<double> values(ritz.values.begin(), ritz.values.end());
    return Sorted(values, q, n, count);
}

}  // namespace tavrix
