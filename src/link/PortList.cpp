#include "link/PortList.h"

#include <cctype>

namespace zort {

bool NaturalLess(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const bool da = std::isdigit(static_cast<unsigned char>(a[i]));
        const bool db = std::isdigit(static_cast<unsigned char>(b[j]));
        if (da && db) {
            size_t ei = i, ej = j;
            while (ei < a.size() && a[ei] == '0') ++ei;
            while (ej < b.size() && b[ej] == '0') ++ej;
            size_t ni = ei, nj = ej;
            while (ni < a.size() && std::isdigit(static_cast<unsigned char>(a[ni]))) ++ni;
            while (nj < b.size() && std::isdigit(static_cast<unsigned char>(b[nj]))) ++nj;
            // Without leading zeros, the longer run of digits is the larger number.
            if (ni - ei != nj - ej) return ni - ei < nj - ej;
            const int cmp = a.compare(ei, ni - ei, b, ej, nj - ej);
            if (cmp != 0) return cmp < 0;
            i = ni;
            j = nj;
        } else {
            if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

}  // namespace zort
