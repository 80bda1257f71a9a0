#pragma once

#include "cae_core/fea2d/Params2d.h"
#include "host/ut/Connection.h"
#include "platform/base/OdString.h"
#include "platform/base/SmartPtr.h"
#include "platform/db/DbObjectId.h"
#include "platform/db/DbRegion.h"
#include "platform/db/DbSubDMesh.h"

#include <functional>
#include <memory>
#include <optional>

namespace cae_core::fea2d
{

/// Holds the parameters of the 2D analysis being set up, keeps the mesh validity flags in step
/// with the edits, tells listeners about every change and says whether the inputs can be run.
///
/// Used on the host's command thread only. Callbacks run synchronously inside the setter that
/// raised the signal, after the change has been stored; a callback may connect, release handles
/// or call setters again. The handler must outlive the set-up stage that shows it.
class InputHandler
{
public:
    /// Why the inputs cannot be run yet: one translated line per failed check, each ending in a
    /// newline, in a fixed order. Empty when the analysis is ready to run.
    struct Status
    {
        OdString message;
    };

    /// Takes the parameters over.
    explicit InputHandler(Params2d params);
    /// Outstanding connection handles stay valid objects but are never called again.
    ~InputHandler();
    InputHandler(const InputHandler&) = delete;
    InputHandler& operator=(const InputHandler&) = delete;

    /// New references to the current region and mesh (either may be null).
    OdSmartPtr<OdDbRegion> getRegion() const;
    OdSmartPtr<OdDbSubDMesh> getMesh() const;
    const Params2d& getParams2d() const;
    const MeshProperties& getMeshProperties() const;
    const AdaptiveRefinementParameters& getAdaptiveParams() const;
    /// True once a region has been set.
    bool isBoundarySelected() const;

    /// Offers the region's default size as the desired mesh size and forgets the size of the
    /// current mesh (-1.0). Raises no signal.
    void initializeMeshSize() const;
    /// Runs every check and collects the messages of those that fail.
    Status getStatus() const;

    /// Raised after any change of the parameters.
    std::shared_ptr<ut::Connection> connectSettingsChangedSignal(const std::function<void()>& callback);
    /// Raised when a mesh validity flag changes, and whenever the constraints flag is reset.
    std::shared_ptr<ut::Connection> connectValidMeshChangedSignal(const std::function<void()>& callback);
    /// Raised when the mesh object is replaced.
    std::shared_ptr<ut::Connection> connectHasMeshChangedSignal(const std::function<void()>& callback);

    void setMode(EMode mode);
    void setElementType(EElementType elementType);
    /// Doubles within 1e-10 of the stored value count as unchanged and raise nothing.
    void setThickness(double thickness);
    void setYoungsModulus(double youngsModulus);
    void setPoissonRatio(double poissonRatio);
    void setYield(double yield);
    /// Compares and sets the four fields one by one; the settings signal is raised once per
    /// field that changed.
    void setMaterialProperties(const MaterialProperties& properties);

    /// Ignores zero, the current size and values that are not finite. With a mesh, re-checks
    /// whether the mesh still has the desired size.
    void setDesiredMeshSize(double size);
    /// Only while refinement is enabled; a ratio of about 1 or below (or NaN) means no
    /// refinement and is stored as exactly 1.0.
    void setMeshRefinementRatio(double ratio);
    void setRefineAutomatically(bool refine);
    /// The adaptive settings are passed on to the mesher when it runs; they raise no signal.
    void setAdaptiveBoundaryRefinement(int boundaryRefinement);
    void setAdaptiveMaxIterations(int maxIterations);
    void setAdaptiveInternalTriangleThreshold(int threshold);
    void setAdaptiveElasticityThreshold(double threshold);

    /// Replacing the region leaves the mesh and its validity flags as they are.
    void setRegion(OdSmartPtr<OdDbRegion> region);

    /// Editing loads or supports makes an existing mesh stale with respect to its constraints.
    void addLoadOrSupport(const LoadOrSupport& loadOrSupport);
    /// Replaces the first entry whose glyph id is id; nothing happens when there is none.
    void setLoadOrSupport(const LoadOrSupport& loadOrSupport, const OdDbObjectId& id);
    /// Indices outside [0, count) are ignored.
    void removeLoadOrSupport(int index);

    /// Records a new mesh and, when given, the size it was generated with. The validity flags
    /// are left for the caller, who knows what the mesh was generated from.
    void setMesh(OdSmartPtr<OdDbSubDMesh> mesh, std::optional<double> size);
    void setValidMeshConstraints(bool valid);
    void setValidMeshSize(bool valid);

private:
    struct Impl;

    void invalidateMeshConstraints();
    void recheckMeshSize(double size);

    std::unique_ptr<Impl> m_impl;
};

} // namespace cae_core::fea2d
