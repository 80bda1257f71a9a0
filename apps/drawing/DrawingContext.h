#pragma once

#include "cae_core/fea2d/Context.h"
#include "platform/db/DbDatabase.h"

#include <optional>

/// The `cae` program's drawing, as the module sees it through its host interface.
namespace cae_app
{
class DrawingContext : public cae_core::fea2d::Context
{
public:
    /// `glyphSize`, when given, replaces the annotation scale as the size of load and support glyphs.
    explicit DrawingContext(OdDbDatabasePtr database, std::optional<double> glyphSize = std::nullopt)
        : m_database(std::move(database)), m_glyphSize(glyphSize)
    {
    }

    OdDbDatabase* database() const override { return m_database.get(); }
    /// The short label the program prints after lengths: "mm", "m", "in", ...
    OdString unitName(OdDb::UnitsValue units) override;
    double supportLoadDrawableSize() const override
    {
        return m_glyphSize ? *m_glyphSize : Context::supportLoadDrawableSize();
    }

private:
    OdDbDatabasePtr m_database;
    std::optional<double> m_glyphSize;
};
} // namespace cae_app
