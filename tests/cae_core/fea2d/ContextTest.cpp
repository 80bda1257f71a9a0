#include "cae_core/fea2d/Context.h"

#include "platform/base/OdError.h"
#include "platform/db/DbDatabase.h"
#include "tests/cae_core/core/MemoryCatalogue.h"

#include <gtest/gtest.h>

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
        lastUnitAsked = units;
        return units == OdDb::kUnitsMillimeters ? OdString(L"mm") : OdString(L"?");
    }

    OdDb::UnitsValue lastUnitAsked = OdDb::kUnitsUndefined;

private:
    OdDbDatabasePtr m_db;
};

/// A context whose host overrides the annotation scale.
class FixedScaleContext : public DrawingContext
{
public:
    double annoScale() const override { return 2.5; }
};

const OdString
    kMetricMessage(L"Only meter and millimeter are supported INSUNITS if MEASUREMENT is set to Metric.");
const OdString kImperialMessage(L"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.");

TEST(ContextUnits, MetreNewtonPascalIsValid)
{
    DrawingContext c(OdDb::kMetric, OdDb::kUnitsMeters);
    OdString message(L"untouched");
    EXPECT_TRUE(c.isValid(message));
    EXPECT_EQ(message, OdString(L"untouched"));
    EXPECT_EQ(c.forceUnit(), OdString(L"N"));
    EXPECT_EQ(c.pressureUnit(), OdString(L"Pa"));
}

TEST(ContextUnits, MillimetreNewtonMegapascalIsValid)
{
    DrawingContext c(OdDb::kMetric, OdDb::kUnitsMillimeters);
    OdString message(L"untouched");
    EXPECT_TRUE(c.isValid(message));
    EXPECT_EQ(message, OdString(L"untouched"));
    EXPECT_EQ(c.forceUnit(), OdString(L"N"));
    EXPECT_EQ(c.pressureUnit(), OdString(L"MPa"));
}

TEST(ContextUnits, InchPoundForcePsiIsValid)
{
    DrawingContext c(OdDb::kEnglish, OdDb::kUnitsInches);
    OdString message(L"untouched");
    EXPECT_TRUE(c.isValid(message));
    EXPECT_EQ(message, OdString(L"untouched"));
    EXPECT_EQ(c.forceUnit(), OdString(L"lbf"));
    EXPECT_EQ(c.pressureUnit(), OdString(L"psi"));
}

TEST(ContextUnits, MetricCentimetresAreRejectedAndHaveNoPressureUnit)
{
    DrawingContext c(OdDb::kMetric, OdDb::kUnitsCentimeters);
    OdString message;
    EXPECT_FALSE(c.isValid(message));
    EXPECT_EQ(message, kMetricMessage);
    EXPECT_EQ(c.pressureUnit(), OdString());
    EXPECT_EQ(c.forceUnit(), OdString(L"N"));
}

TEST(ContextUnits, MetricInchesAreRejectedWithTheMetricMessage)
{
    DrawingContext c(OdDb::kMetric, OdDb::kUnitsInches);
    OdString message;
    EXPECT_FALSE(c.isValid(message));
    EXPECT_EQ(message, kMetricMessage);
}

TEST(ContextUnits, ImperialFeetAndMillimetresAreRejectedWithTheImperialMessage)
{
    DrawingContext feet(OdDb::kEnglish, OdDb::kUnitsFeet);
    OdString message;
    EXPECT_FALSE(feet.isValid(message));
    EXPECT_EQ(message, kImperialMessage);
    EXPECT_EQ(feet.pressureUnit(), OdString(L"psi"));

    DrawingContext millimetres(OdDb::kEnglish, OdDb::kUnitsMillimeters);
    message.empty();
    EXPECT_FALSE(millimetres.isValid(message));
    EXPECT_EQ(message, kImperialMessage);
    // The pressure unit follows INSUNITS before MEASUREMENT.
    EXPECT_EQ(millimetres.pressureUnit(), OdString(L"MPa"));
    EXPECT_EQ(millimetres.forceUnit(), OdString(L"lbf"));
}

TEST(ContextUnits, TheLengthUnitIsTheHostsNameOfInsunits)
{
    DrawingContext c(OdDb::kMetric, OdDb::kUnitsMillimeters);
    EXPECT_EQ(c.lengthUnit(), OdString(L"mm"));
    EXPECT_EQ(c.lastUnitAsked, OdDb::kUnitsMillimeters);
}

TEST(ContextUnits, WithoutADatabaseTheQuestionsRaiseNullPtr)
{
    class NoDrawing : public Context
    {
        OdDbDatabase* database() const override { return nullptr; }
        OdString unitName(OdDb::UnitsValue) override { return OdString(); }
    } c;
    OdString message;
    EXPECT_THROW(c.isValid(message), OdError);
    EXPECT_THROW(c.forceUnit(), OdError);
    EXPECT_THROW(c.pressureUnit(), OdError);
}

TEST(ContextTexts, MessagesAndUnitsGoThroughTheCatalogue)
{
    const test::ScopedGermanCatalogue catalogue({
        {"Only meter and millimeter are supported INSUNITS if MEASUREMENT is set to Metric.",
         "Nur Meter und Millimeter sind als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT metrisch ist."},
        {"Only Inches are supported INSUNITS if MEASUREMENT is set to Imperial.",
         "Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."},
        {"lbf", "lbf (Pfund)"},
        {"MPa", "MPa (N/mm\xC2\xB2)"},
    });
    ASSERT_TRUE(catalogue.loaded());

    DrawingContext metric(OdDb::kMetric, OdDb::kUnitsCentimeters);
    OdString message;
    EXPECT_FALSE(metric.isValid(message));
    EXPECT_EQ(message,
              OdString("Nur Meter und Millimeter sind als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT "
                       "metrisch ist."));

    DrawingContext imperial(OdDb::kEnglish, OdDb::kUnitsFeet);
    EXPECT_FALSE(imperial.isValid(message));
    EXPECT_EQ(message,
              OdString("Nur Zoll ist als INSUNITS zul\xC3\xA4ssig, wenn MEASUREMENT auf Imperial steht."));
    EXPECT_EQ(imperial.forceUnit(), OdString(L"lbf (Pfund)"));

    DrawingContext millimetres(OdDb::kMetric, OdDb::kUnitsMillimeters);
    EXPECT_EQ(millimetres.pressureUnit(), OdString("MPa (N/mm\xC2\xB2)"));
    // No translation: the English text.
    EXPECT_EQ(millimetres.forceUnit(), OdString(L"N"));
}

TEST(ContextScale, TheAnnotationScaleComesFromCannoscale)
{
    DrawingContext c;
    EXPECT_EQ(c.annoScale(), 1.0);
    EXPECT_EQ(c.supportLoadDrawableSize(), 1.0);

    const OdDbAnnotationScalePtr scale = odrxCreateObject<OdDbAnnotationScale>();
    scale->setName(L"1:50");
    scale->setPaperUnits(1.0);
    scale->setDrawingUnits(50.0);
    c.database()->setCANNOSCALE(scale);
    // Glyphs grow with the drawing units shown per paper unit.
    EXPECT_EQ(c.annoScale(), 50.0);
    EXPECT_EQ(c.supportLoadDrawableSize(), 50.0);
}

TEST(ContextScale, TheGlyphSizeFollowsAnOverriddenAnnotationScale)
{
    FixedScaleContext c;
    const Context& base = c;
    EXPECT_EQ(base.supportLoadDrawableSize(), 2.5);
    EXPECT_FALSE(base.isInDevMode());
}
} // namespace
} // namespace cae_core::fea2d
