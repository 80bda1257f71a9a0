#pragma once

#include "cae_core/fea2d/Context.h"
#include "platform/db/DbDatabase.h"

namespace glyphs_test
{
/// A metric drawing in millimetres whose glyph size is fixed (by default the size a new drawing's 1:1
/// annotation scale gives).
class TestContext : public cae_core::fea2d::Context
{
public:
    explicit TestContext(double glyphSize = 1.0) : m_db(OdDbDatabase::createObject()), m_size(glyphSize) {}
    OdDbDatabase* database() const override { return m_db.get(); }
    OdString unitName(OdDb::UnitsValue) override { return L"mm"; }
    double annoScale() const override { return m_size; }

private:
    OdDbDatabasePtr m_db;
    double m_size;
};
} // namespace glyphs_test
