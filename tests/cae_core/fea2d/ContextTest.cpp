#include "cae_core/fea2d/Context.h"

#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "tests/cae_core/core/MemoryCatalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace cae_core::fea2d
{
namespace
{
/// The host side of the context: one drawing and short unit labels.
class DrawingContext : public Context
{
public:
    explicit DrawingContext(OdDb::MeasurementValue measurement = OdDb::kMetric,
                            OdDb::UnitsValue units = OdDb::kUnitsMillimeters)
        : m_db(OdDbDatabase::createObject())
    {
        m_db->setMEASUREMENT(measurement);
        m_db->setINSUNITS(units);
    }
    OdDbDatabase* database() const override { return m_db.get(); }
    OdString unitName(OdDb::UnitsValue units) override
    {
        return units == OdDb::kUnitsMillimeters ? L"mm" : L"?";
    }

private:
    OdDbDatabasePtr m_db;
};

std::string narrow(const OdString& s)
{
    return std::string(s.c_str(), s.c_str() + s.getLength());
}

TEST(ContextUnits, OnlyMetresAndMillimetresInMetricAndInchesInImperialDrawingsAreValid)
{
    const std::string metric =
        "Only meter and millimeter are supported INSUNITS if MEASUREMENT is set to Metric.";
    const std::string imperial = "Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.";
    const struct
    {
        OdDb::MeasurementValue measurement;
        OdDb::UnitsValue units;
        std::string message, force, pressure; // message empty: valid
    } cases[] = {
        {OdDb::kMetric, OdDb::kUnitsMeters, "", "N", "Pa"},
        {OdDb::kMetric, OdDb::kUnitsMillimeters, "", "N", "MPa"},
        {OdDb::kEnglish, OdDb::kUnitsInches, "", "lbf", "psi"},
        {OdDb::kMetric, OdDb::kUnitsCentimeters, metric, "N", ""},
        {OdDb::kMetric, OdDb::kUnitsInches, metric, "N", ""},
        {OdDb::kEnglish, OdDb::kUnitsFeet, imperial, "lbf", "psi"},
        // The pressure unit follows INSUNITS before MEASUREMENT.
        {OdDb::kEnglish, OdDb::kUnitsMillimeters, imperial, "lbf", "MPa"},
    };
    // Every text also goes through the catalogue: run once without and once with a translation of each.
    for (const bool translated : {false, true})
    {
        std::optional<test::ScopedGermanCatalogue> catalogue;
        if (translated)
        {
            std::map<std::string, std::string> entries;
            for (const std::string& english : {metric, imperial, std::string("N"), std::string("lbf"),
                                               std::string("Pa"), std::string("MPa"), std::string("psi")})
                entries[english] = "DE " + english;
            ASSERT_TRUE(catalogue.emplace(std::move(entries)).loaded());
        }
        const auto expected = [translated](const std::string& english)
        { return translated && !english.empty() ? "DE " + english : english; };
        for (const auto& c : cases)
        {
            SCOPED_TRACE(testing::Message()
                         << c.measurement << " " << c.units << (translated ? " translated" : ""));
            DrawingContext context(c.measurement, c.units);
            OdString message(L"untouched");
            EXPECT_EQ(context.isValid(message), c.message.empty());
            EXPECT_EQ(narrow(message), c.message.empty() ? "untouched" : expected(c.message));
            EXPECT_EQ(narrow(context.forceUnit()), expected(c.force));
            EXPECT_EQ(narrow(context.pressureUnit()), expected(c.pressure));
        }
    }
    EXPECT_EQ(narrow(DrawingContext(OdDb::kMetric, OdDb::kUnitsMillimeters).lengthUnit()), "mm");
}

TEST(ContextUnits, WithoutADatabaseTheUnitQuestionsRaiseNullPtrAndTheScaleIsOne)
{
    class NoDrawing : public Context
    {
        OdDbDatabase* database() const override { return nullptr; }
        OdString unitName(OdDb::UnitsValue) override { return OdString(); }
    } c;
    OdString message;
    EXPECT_THROW(c.isValid(message), OdError);
    EXPECT_THROW(c.lengthUnit(), OdError);
    EXPECT_THROW(c.forceUnit(), OdError);
    EXPECT_THROW(c.pressureUnit(), OdError);
    EXPECT_EQ(c.supportLoadDrawableSize(), 1.0);
}

TEST(ContextScale, TheGlyphSizeIsTheAnnotationScaleThroughTheVirtualCall)
{
    DrawingContext c;
    EXPECT_EQ(c.supportLoadDrawableSize(), 1.0);
    const OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setName(L"1:50");
    scale->setPaperUnits(1.0);
    scale->setDrawingUnits(50.0);
    c.database()->setCANNOSCALE(scale);
    // Glyphs grow with the drawing units shown per paper unit.
    EXPECT_EQ(c.annoScale(), 50.0);
    EXPECT_EQ(c.supportLoadDrawableSize(), 50.0);

    class FixedScaleContext : public DrawingContext
    {
    public:
        double annoScale() const override { return 2.5; }
    } overridden;
    EXPECT_EQ(static_cast<const Context&>(overridden).supportLoadDrawableSize(), 2.5);
    EXPECT_FALSE(overridden.isInDevMode());
}
} // namespace
} // namespace cae_core::fea2d
