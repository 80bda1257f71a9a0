#pragma once

#include "apps/file/JsonLocation.h"
#include "cae_core/core/Units.h"
#include "platform/db/DbUnits.h"
#include "platform/ge/GePoint3d.h"
#include "platform/ge/GeVector3d.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

/// The task file of `cae task3d`: a JSON description of one 3D analysis of a solid, read into plain
/// values. Lengths and points are in the drawing's units; pressures, the material's modulus and yield
/// stress in the modelling system's pressure unit (Pa for "si", psi for "english"), forces in its
/// force unit (N or lbf).
namespace cae_app
{
/// How the solid is made: a STEP file, a primitive, or a boolean combination of two or more solids
/// (applied from left to right).
struct SolidEntry
{
    enum class Kind
    {
        eStep,
        eBox,
        eCylinder,
        eSphere,
        eUnion,
        eDifference,
        eIntersection
    };
    Kind kind = Kind::eBox;
    JsonPath path;
    /// STEP: the file, relative paths resolved against the task file's folder.
    std::filesystem::path file;
    /// Box: corner; cylinder: centre of the base; sphere: centre.
    OdGePoint3d point;
    /// Box: size along x, y, z; cylinder: axis from the base to the top.
    OdGeVector3d vector;
    double radius = 0.0;
    std::vector<SolidEntry> operands;
};

/// A face or edge of the solid: by its index, or by a point on it.
struct SubentRef
{
    JsonPath path;
    std::optional<long> index;
    OdGePoint3d point;
};

struct FeatureEntry
{
    enum class Kind
    {
        ePressure,
        eFix,
        /// Faces held normal to themselves only (each must be planar).
        eSlide,
        /// Faces and edges held along some global axes only.
        eHold,
        eForce
    };
    Kind kind = Kind::ePressure;
    JsonPath path;
    double magnitude = 0.0;
    cae_core::EUnits units = cae_core::eSI_NewtonPerMeterSq;
    /// Empty: normal to the faces.
    std::optional<OdGeVector3d> direction;
    /// Hold: the held global translations, digits 1-3 ascending ("13": x and z).
    std::string components = "123";
    /// Force: the total force on the faces, in the modelling force unit.
    OdGeVector3d force;
    std::vector<SubentRef> faces;
    std::vector<SubentRef> edges;
};

struct MeshingEntry
{
    JsonPath path;
    /// A meshing-parameter file, relative paths resolved against the task file's folder.
    std::optional<std::filesystem::path> file;
    std::optional<double> fineness;
    /// The element size, in drawing units.
    std::optional<double> size;
};

/// What the solid is made of, in the modelling system's pressure unit.
struct MaterialEntry
{
    JsonPath path;
    std::string name;
    double youngsModulus = 0.0;
    double poissonRatio = 0.0;
};

/// How the solver deck is written.
struct DeckEntry
{
    JsonPath path;
    /// The material of the file; false: the deck writer's fixed one.
    bool taskMaterial = true;
    /// Ten-node tetrahedra; false: four-node ones.
    bool quadratic = true;
};

struct TaskFile
{
    std::string description;
    OdDb::UnitsValue units = OdDb::kUnitsMillimeters;
    /// Modelling units: SI (m, N, Pa) or English (in, lbf, psi).
    bool systemInternational = true;
    SolidEntry solid;
    MeshingEntry meshing;
    std::vector<FeatureEntry> features;
    std::optional<MaterialEntry> material;
    DeckEntry deck;
    /// From the material or the file's top level.
    std::optional<double> yield;
    /// "key=value" keywords for the solver program's command line ("solver": {"options": {...}}), in
    /// file order.
    std::vector<std::string> solverOptions;

    /// The name and text the file was read from, for messages about its values found later.
    std::string sourceName;
    std::shared_ptr<const std::string> text;
    /// "file.json:LINE:COLUMN: key.path: message", as the reader's own errors.
    std::string messageAt(const JsonPath& path, const std::string& message) const;
};

/// Why `key`=`value` cannot go on the solver's command line; empty when it can.
std::string solverKeywordProblem(const std::string& key, const std::string& value);

/// Reads and checks a task file. Throws InputError naming the problem and where it is.
TaskFile readTaskFile(const std::string& path);
/// As readTaskFile, from text in memory; relative files are taken from `folder`.
TaskFile parseTaskText(std::string_view text, const std::string& sourceName,
                       const std::filesystem::path& folder);
} // namespace cae_app
