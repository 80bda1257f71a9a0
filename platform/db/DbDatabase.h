#pragma once

#include "platform/base/OdString.h"
#include "platform/db/DbHandle.h"
#include "platform/db/DbObject.h"
#include "platform/db/DbUnits.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

/// An annotation scale: `paperUnits` on paper show `drawingUnits` of the drawing (1:50 is 1 and 50).
class OdDbAnnotationScale : public OdRxObject
{
public:
    OdString getName() const { return m_name; }
    void setName(const OdString& name) { m_name = name; }
    double getPaperUnits() const { return m_paperUnits; }
    double getDrawingUnits() const { return m_drawingUnits; }
    void setPaperUnits(double v) { m_paperUnits = v; }
    void setDrawingUnits(double v) { m_drawingUnits = v; }
    /// The ratio of paper units to drawing units; eInvalidInput when drawing units are not positive.
    OdResult getScale(double& scale) const;

private:
    OdString m_name = L"1:1";
    double m_paperUnits = 1.0;
    double m_drawingUnits = 1.0;
};
using OdDbAnnotationScalePtr = OdSmartPtr<OdDbAnnotationScale>;

/// Data that a host application keeps with a database; destroyed with the database.
/// A DXF table record as read: its kind (e.g. "LTYPE"), name, handle, and its groups after the leading 0
/// group, each a code and the value as the file spells it.
struct OdDbKeptRecord
{
    std::string kind;
    std::string name;
    std::uint64_t handle = 0;
    std::vector<std::pair<int, std::string>> groups;
};

/// An entity's groups as read from a DXF file, and the form it had when reading was done. The records
/// that belong to it (an old-style polyline's vertices, a block reference's attributes, and their end)
/// follow it in the file's order, each with its own handle.
struct OdDbKeptEntity
{
    std::string kind;
    std::vector<std::pair<int, std::string>> groups;
    std::string form;
    std::vector<OdDbKeptRecord> followers;
};

/// A layout of a drawing read from a DXF file: the block it draws on ("*Model_Space", "*Paper_Space" for
/// the active sheet, "*Paper_Space0" and on for the others) with the handles the file gave its block
/// record, begin and end, the entities the file held in that block (with their vertices and attributes),
/// and its LAYOUT object as read (kind "LAYOUT", name the layout's; no groups when the file had none).
struct OdDbKeptLayout
{
    std::string blockName;
    std::uint64_t recordHandle = 0, beginHandle = 0, endHandle = 0;
    std::vector<OdDbKeptRecord> entities;
    OdDbKeptRecord layout;
};

class OdDbHostAppData
{
public:
    virtual ~OdDbHostAppData() = default;
};

/// A drawing database: system variables and the objects added to it.
/// Defaults of a new metric drawing: MEASUREMENT metric, INSUNITS millimetres, CANNOSCALE 1:1.
class OdDbDatabase : public OdRxObject
{
public:
    OdDbDatabase();
    ~OdDbDatabase() override;
    OdDbDatabase(const OdDbDatabase&) = delete;
    OdDbDatabase& operator=(const OdDbDatabase&) = delete;

    static OdSmartPtr<OdDbDatabase> createObject();

    OdDb::MeasurementValue getMEASUREMENT() const { return m_measurement; }
    void setMEASUREMENT(OdDb::MeasurementValue v) { m_measurement = v; }
    OdDb::UnitsValue getINSUNITS() const { return m_insunits; }
    void setINSUNITS(OdDb::UnitsValue v) { m_insunits = v; }
    /// The code page of the drawing's text in a DXF file ("ANSI_1252" unless a file read says otherwise).
    const std::string& getDWGCODEPAGE() const { return m_dwgCodePage; }
    void setDWGCODEPAGE(std::string codePage) { m_dwgCodePage = std::move(codePage); }
    /// The current annotation scale; null only if it was set to null.
    OdDbAnnotationScalePtr getCANNOSCALE() const { return m_cannoscale; }
    void setCANNOSCALE(const OdDbAnnotationScalePtr& scale) { m_cannoscale = scale; }
    /// The colour of new entities; by layer in a new drawing.
    OdCmColor getCECOLOR() const { return m_cecolor; }
    void setCECOLOR(const OdCmColor& color) { m_cecolor = color; }
    /// The height of new texts; 2.5 in a new drawing.

    /// Adds obj to the database (which then holds a reference) and returns its new id.
    /// An object already in a database keeps its id.
    OdDbObjectId addOdDbObject(OdDbObject* obj);
    /// The same, giving the object the handle `preferred` when it is not null and no other object of
    /// the database has it (a drawing read from a file keeps the file's handles where it can).
    OdDbObjectId addOdDbObject(OdDbObject* obj, OdDbHandle preferred);
    /// New objects get handles from `seed` up (or above the highest in use, when that is higher).
    void reserveHandles(OdDbHandle seed) { m_nextHandle = std::max<std::uint64_t>(m_nextHandle, seed); }
    /// The handle the next new object gets, above every handle in use.
    OdDbHandle handseed() const { return m_nextHandle; }
    /// Table records of a drawing read from a file that this database has no class for (line types,
    /// text and dimension styles), kept as read so that the drawing saved again names them as before.
    const std::vector<OdDbKeptRecord>& keptRecords() const { return m_keptRecords; }
    void keepRecord(OdDbKeptRecord record) { m_keptRecords.push_back(std::move(record)); }
    /// The groups of an entity of the database as read from a file, and the form the entity had when
    /// reading was done, by the entity's handle: an entity that still has that form is saved with the
    /// groups as read, so that what the database does not model (a text's style, a lineweight) is not
    /// lost. Null for an entity not read from a file.
    const OdDbKeptEntity* keptEntity(std::uint64_t handle) const
    {
        const auto it = m_keptEntities.find(handle);
        return it == m_keptEntities.end() ? nullptr : &it->second;
    }
    void keepEntity(std::uint64_t handle, OdDbKeptEntity kept) { m_keptEntities[handle] = std::move(kept); }
    std::unordered_map<std::uint64_t, OdDbKeptEntity>& keptEntities() { return m_keptEntities; }
    /// The paper-space entities of a drawing read from a file, each with its DXF name as kind and its
    /// groups as read, kept in the file's order so that the drawing saved again holds them unchanged.
    const std::vector<OdDbKeptRecord>& paperSpaceRecords() const { return m_paperSpace; }
    void keepPaperSpaceRecord(OdDbKeptRecord record) { m_paperSpace.push_back(std::move(record)); }
    /// The objects of a drawing read from a file that its entities need and this database has no class
    /// for (a raster image's definition and reactor, the dictionaries that hold them), kept as read in
    /// the file's order; one the root dictionary names has that name, the others none.
    const std::vector<OdDbKeptRecord>& keptObjects() const { return m_keptObjects; }
    void keepObject(OdDbKeptRecord record) { m_keptObjects.push_back(std::move(record)); }
    /// The layouts of a drawing read from a file, in the file's order, so that the drawing saved again
    /// has the user's sheets with their names, settings and what is drawn on them.
    const std::vector<OdDbKeptLayout>& keptLayouts() const { return m_keptLayouts; }
    /// The kept layout drawing on the block of that name (names ignore case), made when there is none.
    OdDbKeptLayout& keptLayout(const std::string& blockName);
    /// The object with the given id, null when there is none (or it was erased).
    OdDbObjectPtr getObject(const OdDbObjectId& id) const;
    /// Removes the object from the database; false when the id is unknown.
    bool eraseObject(const OdDbObjectId& id);
    std::size_t numObjects() const { return m_objects.size(); }
    /// How many times an object of the database was erased or removed: a name or a number that was
    /// taken may be free again once it changes.
    std::uint64_t erasures() const { return m_erasures; }
    /// The model space block (an OdDbBlockTableRecord "*Model_Space" of the block table), created with
    /// its first request.
    OdDbObjectId getModelSpaceId();
    /// The block table (an OdDbBlockTable), created with its first request.
    OdDbObjectId getBlockTableId();
    /// The table of registered applications (an OdDbRegAppTable, holding "ACAD"), created with its first
    /// request.
    OdDbObjectId getRegAppTableId();
    /// The layer table (an OdDbLayerTable, holding layer "0"), created with its first request.
    OdDbObjectId getLayerTableId();
    /// Registers the application `name` for extended data; false (nothing changed) when it already is.
    bool newRegApp(const OdString& name);

    /// Saves the drawing as a DXF file (AutoCAD 2000 text format, which drawing programs and readers
    /// take): the layers, the registered applications, the blocks and the model space with the entities
    /// a DXF file can hold, their extended data included, and the proxies, table records, unchanged
    /// entities and sheet entities kept from a file as read. Objects are written with their handles, the
    /// records the writer adds with handles above them, and the file's handle seed above all. The file is
    /// written beside its place and moved there when complete, so a failed save leaves no partial file.
    /// Raises OdError(eInvalidInput) naming the file when it cannot be written, and naming the entity when it
    /// has no DXF form.
    void writeFile(const OdString& path);
    /// Reads a DXF file into this database: the units ($INSUNITS, unitless when the file does not say,
    /// and $MEASUREMENT), layers, registered applications, blocks and model-space entities (lines, arcs,
    /// circles, ellipses, polylines, splines, texts, solids, hatches and block references, with their
    /// extended data); entities of other kinds become proxy entities holding their DXF name, handle,
    /// layer and groups; line types and text and dimension styles are kept as records, the groups of the
    /// entities read as such (an old-style polyline with its vertices, a block reference with its
    /// attributes), and the active layout's (paper-space) entities as read. Entities, layers and blocks keep
    /// the file's handles where no object of the database has them. Raises OdError(eInvalidInput) naming the
    /// file when it cannot be opened or is not a DXF file.
    void readFile(const OdString& path);

    /// The host data kept under `key`, null when there is none.
    OdDbHostAppData* hostAppData(const OdString& key) const
    {
        const auto it = m_hostAppData.find(key);
        return it == m_hostAppData.end() ? nullptr : it->second.get();
    }
    /// Keeps `data` under `key` (replacing what was there) for the database's lifetime.
    void setHostAppData(const OdString& key, std::unique_ptr<OdDbHostAppData> data)
    {
        m_hostAppData[key] = std::move(data);
    }

private:
    friend class OdDbObjectId;
    friend class OdDbObject;
    OdDbObjectId tableId(OdDbObjectId& id, OdDbObjectPtr (*create)());
    OdDb::MeasurementValue m_measurement = OdDb::kMetric;
    OdDb::UnitsValue m_insunits = OdDb::kUnitsMillimeters;
    std::string m_dwgCodePage = "ANSI_1252";
    OdDbAnnotationScalePtr m_cannoscale;
    OdCmColor m_cecolor;
    std::uint64_t m_nextHandle = 1;
    std::vector<OdDbKeptRecord> m_keptRecords;
    std::unordered_map<std::uint64_t, OdDbKeptEntity> m_keptEntities;
    std::vector<OdDbKeptRecord> m_paperSpace;
    std::vector<OdDbKeptLayout> m_keptLayouts;
    std::vector<OdDbKeptRecord> m_keptObjects;
    std::uint64_t m_erasures = 0;
    OdDbObjectId m_modelSpaceId;
    OdDbObjectId m_blockTableId;
    OdDbObjectId m_regAppTableId;
    OdDbObjectId m_layerTableId;
    std::map<OdString, std::unique_ptr<OdDbHostAppData>> m_hostAppData;
    std::unordered_map<std::uint64_t, OdDbObjectPtr> m_objects;
};
using OdDbDatabasePtr = OdSmartPtr<OdDbDatabase>;
