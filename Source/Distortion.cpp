#include "Distortion.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
using Curves = std::array<Distortion::Table, Distortion::numCurves>;

struct Point
{
    double x, y;
};

/** Monotone piecewise-cubic interpolation (Fritsch-Carlson): passes through every point,
    never overshoots between them and is flat at every local extreme. */
class ShapePreservingCurve
{
public:
    explicit ShapePreservingCurve (std::vector<Point> pointsToUse)
        : points (std::move (pointsToUse))
        , slopes (points.size(), 0.0)
    {
        const auto count = points.size();
        std::vector<double> secants (count - 1);

        for (size_t i = 0; i + 1 < count; ++i)
            secants[i] = (points[i + 1].y - points[i].y) / (points[i + 1].x - points[i].x);

        for (size_t i = 1; i + 1 < count; ++i)
        {
            if (secants[i - 1] * secants[i] <= 0.0)
                continue;

            const auto left = points[i].x - points[i - 1].x;
            const auto right = points[i + 1].x - points[i].x;
            const auto weightLeft = 2.0 * right + left;
            const auto weightRight = right + 2.0 * left;
            slopes[i] = (weightLeft + weightRight) / (weightLeft / secants[i - 1] + weightRight / secants[i]);
        }

        slopes.front() = endSlope (secants.front(), count > 2 ? secants[1] : secants.front());
        slopes.back() = endSlope (secants.back(), count > 2 ? secants[count - 3] : secants.back());
    }

    double operator() (double x) const
    {
        const auto upper = std::upper_bound (points.begin() + 1, points.end() - 1, x, [] (double value, const Point& p)
            { return value < p.x; });
        const auto i = (size_t) (upper - points.begin()) - 1;
        const auto width = points[i + 1].x - points[i].x;
        const auto t = (x - points[i].x) / width;
        const auto t2 = t * t;
        const auto t3 = t2 * t;
        return (2.0 * t3 - 3.0 * t2 + 1.0) * points[i].y + (t3 - 2.0 * t2 + t) * width * slopes[i]
            + (-2.0 * t3 + 3.0 * t2) * points[i + 1].y + (t3 - t2) * width * slopes[i + 1];
    }

private:
    static double endSlope (double nearest, double next)
    {
        // Keeps the end from overshooting: never against the first secant's direction.
        const auto slope = 1.5 * nearest - 0.5 * next;

        if (slope * nearest <= 0.0)
            return 0.0;

        return std::abs (slope) > 3.0 * std::abs (nearest) ? 3.0 * nearest : slope;
    }

    std::vector<Point> points;
    std::vector<double> slopes;
};

/** Straight segments between the points: the jagged curves. */
double linearThrough (const std::vector<Point>& points, double x)
{
    for (size_t i = 0; i + 1 < points.size(); ++i)
        if (x <= points[i + 1].x)
            return points[i].y + (points[i + 1].y - points[i].y) * (x - points[i].x) / (points[i + 1].x - points[i].x);

    return points.back().y;
}

/** The input of table index k: -1 + 2k / 500. */
double inputAt (int k)
{
    return (double) (k - Distortion::lastIndex / 2) / (double) (Distortion::lastIndex / 2);
}

enum class Symmetry
{
    none,
    odd,
    even
};

/** Mirrors the points given for x >= 0 into the negative half. */
std::vector<Point> mirrored (const std::vector<Point>& positiveHalf, Symmetry symmetry)
{
    std::vector<Point> all;

    for (auto it = positiveHalf.rbegin(); it != positiveHalf.rend(); ++it)
        if (it->x > 0.0)
            all.push_back ({ -it->x, symmetry == Symmetry::odd ? -it->y : it->y });

    all.insert (all.end(), positiveHalf.begin(), positiveHalf.end());
    return all;
}

template <typename Function>
Distortion::Table tabulate (Function&& function)
{
    Distortion::Table table {};

    for (int k = 0; k <= Distortion::lastIndex; ++k)
        table[(size_t) k] = (float) function (k);

    return table;
}

Distortion::Table smoothCurve (const std::vector<Point>& points, Symmetry symmetry)
{
    const ShapePreservingCurve curve (symmetry == Symmetry::none ? points : mirrored (points, symmetry));
    return tabulate ([&] (int k)
        { return curve (inputAt (k)); });
}

Distortion::Table jaggedCurve (const std::vector<Point>& positiveHalf)
{
    const auto points = mirrored (positiveHalf, Symmetry::odd);
    return tabulate ([&] (int k)
        { return linearThrough (points, inputAt (k)); });
}

Distortion::Table clipCurve()
{
    // The slope that puts 0.02 at 0.2025 and 0.04 at 0.4051.
    static constexpr double slope = 10.1265;
    return tabulate ([] (int k)
        { return std::clamp (slope * inputAt (k), -1.0, 1.0); });
}

Distortion::Table rectifyCurve()
{
    static constexpr double slope = 12.5;
    return tabulate ([] (int k)
        { return -std::min (1.0, slope * std::abs (inputAt (k))); });
}

/** A staircase of 0.02-wide steps (five table points each) sitting just below the next step's
    value, with a slight upward drift; odd. */
Distortion::Table pixelatedCurve()
{
    static constexpr int pointsPerStep = 5;
    static constexpr double stepHeight = 0.02;
    static constexpr double stepOffset = 0.0193;
    static constexpr double drift = 0.0006;
    static constexpr int centre = Distortion::lastIndex / 2;

    return tabulate ([] (int k)
        {
                         const auto distance = std::abs (k - centre);

                         if (distance == 0)
                             return 0.0;

                         const auto base = stepHeight * (double) (distance / pointsPerStep);
                         const auto value = std::min (1.0, base + stepOffset + drift * base);
                         return k < centre ? -value : value; });
}

/** Bumps every 0.2 of input (peaks at 0.1, 0.3, ...) over dips that sink towards 0 at 1; odd. */
Distortion::Table combCurve()
{
    static constexpr int centre = Distortion::lastIndex / 2;
    static constexpr int pointsPerBump = 50;
    static constexpr int pointsPerHalfBump = 25;
    static constexpr double dips[] = { 0.0, 0.1147, 0.0994, 0.0813, 0.0575, 0.0 };
    static constexpr double firstPeak = 0.9999;
    static constexpr double laterPeaks = 0.98;

    // Rise of a bump from its dip (0) to its peak (1), shaped after the first bump.
    const ShapePreservingCurve rise ({ { 0.0, 0.0 }, { 0.2, 0.6038 / firstPeak }, { 0.4, 0.8037 / firstPeak }, { 1.0, 1.0 }, { 1.6, 0.8037 / firstPeak }, { 1.8, 0.6038 / firstPeak }, { 2.0, 0.0 } });

    return tabulate ([&] (int k)
        {
                         const auto distance = std::abs (k - centre);
                         const auto bump = distance / pointsPerBump;
                         const auto within = distance % pointsPerBump;

                         if (bump >= 5)
                             return 0.0;

                         const auto peak = bump == 0 ? firstPeak : laterPeaks;
                         const auto rising = within <= pointsPerHalfBump;
                         const auto dip = rising ? dips[bump] : dips[bump + 1];
                         const auto fromDip = rising ? within : pointsPerBump - within;
                         const auto value = dip + (peak - dip) * rise ((double) fromDip / (double) pointsPerHalfBump);
                         return k < centre ? -value : value; });
}

Curves buildCurves()
{
    Curves curves {};
    curves[0] = tabulate (inputAt);

    // Saturation
    curves[1] = smoothCurve ({ { 0, 0 }, { 0.02, 0.161 }, { 0.04, 0.3102 }, { 0.1, 0.6783 }, { 0.2, 0.8903 }, { 0.4, 0.9725 }, { 0.6, 0.9884 }, { 0.8, 0.9949 }, { 1, 1 } }, Symmetry::odd);
    // Asym: peaks near 0.1 and sinks, the negative half clips at -1
    curves[2] = smoothCurve ({ { -1, -1 }, { -0.8, -1 }, { -0.6, -1 }, { -0.4, -1 }, { -0.2, -1 }, { -0.1, -0.9744 }, { -0.04, -0.8633 }, { -0.02, -0.725 }, { 0, 0 }, { 0.02, 0.5033 }, { 0.04, 0.735 }, { 0.1, 0.9193 }, { 0.2, 0.8407 }, { 0.4, 0.6309 }, { 0.6, 0.5071 }, { 0.8, 0.4594 }, { 1, 0.4423 } }, Symmetry::none);
    curves[3] = clipCurve();
    // Tube
    curves[4] = smoothCurve ({ { 0, 0 }, { 0.02, 0.6597 }, { 0.04, 0.8411 }, { 0.1, 0.9336 }, { 0.2, 0.9781 }, { 0.4, 0.9961 }, { 0.6, 0.9982 }, { 0.8, 0.9994 }, { 1, 1 } }, Symmetry::odd);
    curves[5] = rectifyCurve();
    // Crackly: an expander, slightly stronger on the negative side
    curves[6] = smoothCurve ({ { -1, -1 }, { -0.8, -0.6769 }, { -0.6, -0.4525 }, { -0.4, -0.2614 }, { -0.2, -0.1008 }, { -0.1, -0.0374 }, { -0.04, -0.0096 }, { -0.02, -0.0035 }, { 0, 0 }, { 0.02, 0.0026 }, { 0.04, 0.0068 }, { 0.1, 0.0308 }, { 0.2, 0.1287 }, { 0.4, 0.4836 }, { 0.6, 0.6797 }, { 0.8, 0.848 }, { 1, 1 } }, Symmetry::none);
    // Lightning: a steep spike, a notch at 0.036, then the input itself
    curves[7] = smoothCurve ({ { 0, 0 }, { 0.01, 0.166 }, { 0.02, 0.2785 }, { 0.036, 0.05 }, { 0.04, 0.0758 }, { 0.1, 0.1718 }, { 0.2, 0.2 }, { 0.4, 0.4 }, { 0.6, 0.6 }, { 0.8, 0.8 }, { 1, 1 } }, Symmetry::odd);
    // Amp
    curves[8] = smoothCurve ({ { 0, 0 }, { 0.02, 0.1385 }, { 0.04, 0.2525 }, { 0.1, 0.5145 }, { 0.2, 0.779 }, { 0.4, 0.9332 }, { 0.6, 0.9719 }, { 0.8, 0.9913 }, { 1, 0.9999 } }, Symmetry::odd);
    // Bumpy: saturates, then folds down through 0 near 0.72
    curves[9] = smoothCurve ({ { 0, 0 }, { 0.02, 0.2385 }, { 0.04, 0.4224 }, { 0.1, 0.7638 }, { 0.2, 0.9739 }, { 0.3, 1 }, { 0.4, 1 }, { 0.5, 1 }, { 0.6, 0.8027 }, { 0.72, 0 }, { 0.8, -0.7628 }, { 1, -1 } }, Symmetry::odd);
    // Razor: a jump to 0.9, then teeth between 0.9 and 0.94
    curves[10] = jaggedCurve ({ { 0, 0 }, { 0.02, 0.2416 }, { 0.04, 0.4223 }, { 0.08, 0.9 }, { 0.1, 0.8155 }, { 0.15, 0.94 }, { 0.2, 0.9198 }, { 0.25, 0.9 }, { 0.3, 0.94 }, { 0.35, 0.9 }, { 0.4, 0.9363 }, { 0.45, 0.9 }, { 0.5, 0.94 }, { 0.55, 0.9 }, { 0.6, 0.9231 }, { 0.65, 0.94 }, { 0.7, 0.9 }, { 0.75, 0.94 }, { 0.8, 0.9159 }, { 0.85, 0.94 }, { 0.9, 0.9 }, { 0.95, 0.94 }, { 1, 1 } });
    curves[11] = pixelatedCurve();
    curves[12] = combCurve();
    // Samurai: even, about -16.8 x^2 near 0, saturating towards -1
    curves[13] = smoothCurve ({ { 0, 0 }, { 0.01, -0.00168 }, { 0.02, -0.0067 }, { 0.03, -0.01512 }, { 0.04, -0.0269 }, { 0.1, -0.1722 }, { 0.2, -0.6576 }, { 0.4, -0.8739 }, { 0.6, -0.9383 }, { 0.8, -0.977 }, { 1, -1 } }, Symmetry::even);
    // Stressed
    curves[14] = smoothCurve ({ { 0, 0 }, { 0.02, 0.8402 }, { 0.04, 0.8917 }, { 0.1, 0.938 }, { 0.2, 0.9575 }, { 0.4, 0.9707 }, { 0.6, 0.9821 }, { 0.8, 0.9919 }, { 1, 1 } }, Symmetry::odd);
    // Fresh: fast swings up to 0.16, then a slow dip to 0 near 0.68 and back to 1
    curves[15] = smoothCurve ({ { 0, 0 }, { 0.02, 0.6097 }, { 0.04, 0.878 }, { 0.05, 0.99 }, { 0.08, 0.23 }, { 0.1, 0.9082 }, { 0.16, 1 }, { 0.2, 0.2385 }, { 0.4, 0.8667 }, { 0.6, 0.114 }, { 0.68, 0 }, { 0.8, 0.1929 }, { 1, 1 } }, Symmetry::odd);
    return curves;
}

// Output gain per curve (index = distFunction), which levels the curves against each other.
constexpr std::array<float, Distortion::numCurves> makeupGains { 1.0f, 0.203f, 0.16f, 0.155f, 0.165f, 0.2f, 1.0f, 0.32f, 0.245f, 0.185f, 0.18f, 0.9f, 0.182f, 0.325f, 0.19f, 0.183f };
}

const std::array<Distortion::Table, Distortion::numCurves>& Distortion::getCurves()
{
    static const Curves curves = buildCurves();
    return curves;
}

Distortion::Distortion()
{
    select (1);
}

void Distortion::select (int distFunction) noexcept
{
    const auto index = distFunction >= 2 && distFunction < numCurves ? distFunction : 1;
    currentTable = &getCurves()[(size_t) index];
    makeupGain = makeupGains[(size_t) index];
}
