#include "Measure.h"

#include <algorithm>

double Quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    double at = q * double(values.size() - 1);
    size_t low = size_t(at);
    if (low + 1 >= values.size())
        return values.back();
    return values[low] + (values[low + 1] - values[low]) * (at - double(low));
}

double Median(const std::vector<double>& values)
{
    return Quantile(values, 0.5);
}
