// Decimal degrees into units, and the words a description adds to a name.

#include <gtest/gtest.h>

#include "poi/coord.h"
#include "text/strutil.h"

namespace {

TEST(degunits, table) {
    struct row {
        const char *field;
        bool ok;
        std::int32_t units;
    } rows[] = {
        {"52.1234567", true, 521234567},
        {" -0.5\r\n", true, -5000000},
        {"+19", true, 190000000},
        {"52.12345675", true, 521234568},  // half: to the even neighbour
        {"52.12345665", true, 521234566},
        {"52.123456650001", true, 521234567},  // more than half
        {"52.1234566499999999999999", true, 521234566},
        {"5.21234567e1", true, 521234567},
        {"5212345.67E-5", true, 521234567},
        {"0.00000005", true, 0},
        {"0.00000015", true, 2},
        {".5", true, 5000000},
        {"5.", true, 50000000},
        {"90", true, 900000000},
        {"-90.00000004", true, -900000000},  // rounds onto the limit
        {"90.00000005", true, 900000000},    // half: to the even limit
        {"90.00000006", false, 0},           // rounds past it
        {"1e300", false, 0},
        {"1e-300", true, 0},
        {"00000000000000000000052.5", true, 525000000},
        {"", false, 0},
        {"-", false, 0},
        {".", false, 0},
        {"1.2.3", false, 0},
        {"12a", false, 0},
        {"1e", false, 0},
        {"1e+", false, 0},
        {"52,5", false, 0},
    };
    for (const row &r : rows) {
        std::int32_t u = -1;
        EXPECT_EQ(degunits(r.field, 900000000, u), r.ok) << r.field;
        EXPECT_EQ(u, r.ok ? r.units : -1) << r.field;
    }
}

TEST(addnewwords, keepsOnlyWordsTheNameLacks) {
    struct row {
        const char *name, *more, *want;
    } rows[] = {
        {"Apteka", "apteka całodobowa, ul. Długa", "Apteka całodobowa ul Długa"},
        {"", "Sklep  Lidl", "Sklep Lidl"},
        {"Bar Mleczny", "MLECZNY bar", "Bar Mleczny"},
        {"Bank", "Bankomat", "Bank Bankomat"},  // a word, not a piece of one
        {"ŁÓDŹ", "łódź kaliska", "ŁÓDŹ kaliska"},
    };
    for (const row &r : rows) {
        shortstr name = cp1250fromutf8(r.name);
        addnewwords(name, cp1250fromutf8(r.more));
        EXPECT_EQ(utf8fromcp1250(name.view()), r.want) << r.more;
    }
    shortstr full(std::string(250, 'a'));
    addnewwords(full, "bbbbbb cc");
    EXPECT_EQ(full.size(), 253u);  // the word that does not fit is left out
}

}  // namespace
