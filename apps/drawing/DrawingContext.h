#pragma once

#include "cae_core/fea2d/Context.h"
#include "platform/db/DbDatabase.h"

/// The `cae` program's drawing, as the module sees it through its host interface.
namespace cae_app
{
class DrawingContext : public cae_core::fea2d::Context
{
public:
    explicit DrawingContext(OdDbDatabasePtr database) : m_database(std::move(database)) {}

    OdDbDatabase* database() const override { return m_database.get(); }
    /// The short label the program prints after lengths: "mm", "m", "in", ...
    OdString unitName(OdDb::UnitsValue units) override;

private:
    OdDbDatabasePtr m_database;
};
} // namespace cae_app
