#include "cae_core/results2d/InteractiveResult.h"

#include "cae_core/core/Translation.h"
#include "host/ca/CommandLine.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace cae_core::fea2d
{

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The context's unit questions are not const (the host may look names up); the result only reads.
OdString pressureUnitOf(const Context& context)
{
    return const_cast<Context&>(context).pressureUnit();
}

OdString lengthUnitOf(const Context& context)
{
    return const_cast<Context&>(context).lengthUnit();
}

OdString formatted(const wchar_t* format, double value)
{
    OdString text;
    text.format(format, value);
    return text;
}

/// The five ways a row's value is written.
TableEntry stressRow(const OdString& name, double value, const Context& context)
{
    return {translate(name), std::isnan(value) ? translate(L"N/A") : formatted(L"%.3e", value),
            pressureUnitOf(context)};
}

TableEntry lengthRow(const OdString& name, double value, const Context& context)
{
    return {translate(name), std::isnan(value) ? translate(L"N/A") : formatted(L"%.3e", value),
            lengthUnitOf(context)};
}

TableEntry drawingLengthRow(const OdString& name, double value, const Context& context)
{
    return {translate(name), std::isnan(value) ? translate(L"N/A") : ca::rtos(value, -1, -1, -1),
            lengthUnitOf(context)};
}

TableEntry ratioRow(const OdString& name, double value)
{
    return {translate(name), formatted(L"%.3f", value), OdString()};
}

TableEntry millisecondsRow(const OdString& name, double value)
{
    return {translate(name), formatted(L"%.0f", value), translate(L"ms")};
}
} // namespace

InteractiveResult::InteractiveResult(const SimulationOutput& output, const Context& context)
    : m_simulationOutput(output), m_context(context)
{
    const Solver2dOutput& solved = output.solverOutput;
    double maxVonMises = 0.0;
    for (const auto& element : solved.elementData)
        for (const auto& corner : element.corners)
            maxVonMises = std::max(maxVonMises, corner.stress.vonMises);
    double maxDisplacement = 0.0;
    for (const auto& vertex : solved.vertexData)
        maxDisplacement = std::max(maxDisplacement, vertex.displacement.length());
    for (const auto& element : solved.elementData)
        maxDisplacement = std::max(maxDisplacement, element.center.displacement.length());

    std::vector<double> elementStresses;
    elementStresses.reserve(solved.elementData.size());
    for (const auto& element : solved.elementData)
        elementStresses.push_back(element.center.stress.vonMises);
    std::vector<OdGeVector2d> vertexDisplacements;
    vertexDisplacements.reserve(solved.vertexData.size());
    for (const auto& vertex : solved.vertexData)
        vertexDisplacements.push_back(vertex.displacement);

    const Params2d& params = output.params;
    const MaterialProperties& material = params.materialProperties;
    m_inputTable = {
        {translate(L"Mode"), translate(params.mode == ePlanarStress ? L"Planar stress" : L"Planar strain"),
         OdString()},
        lengthRow(L"Thickness", material.thickness, context),
        stressRow(L"Youngs modulus", material.youngsModulus, context),
        stressRow(L"Yield", material.yield, context),
        ratioRow(L"Poisson ratio", material.poissonRatio),
    };
    m_outputTable = {
        millisecondsRow(L"Execution time", solved.time),
        stressRow(L"Max Von Mises stress", maxVonMises, context),
        lengthRow(L"Max displacement", maxDisplacement, context),
        ratioRow(L"Safety factor", material.yield / maxVonMises),
    };

    const OdSmartPtr<OdDbSubDMesh> mesh = params.mesh ? params.mesh : OdDbSubDMesh::createObject();
    m_meshQuantityVisualizer = std::make_unique<MeshQuantityVisualizer>(
        *mesh, std::move(elementStresses), std::move(vertexDisplacements), pressureUnitOf(context),
        lengthUnitOf(context));
    m_reactionForceVisualizer = std::make_unique<ReactionForceVisualizer>(output, context);
    m_pointEvaluator = solved.pointEvaluator.get();
}

InteractiveResult::~InteractiveResult() = default;

InteractiveResult::InteractiveResult(InteractiveResult&& other) noexcept
    : m_simulationOutput(other.m_simulationOutput), m_context(other.m_context),
      m_inputTable(std::move(other.m_inputTable)), m_outputTable(std::move(other.m_outputTable)),
      m_meshQuantityVisualizer(std::move(other.m_meshQuantityVisualizer)),
      m_reactionForceVisualizer(std::move(other.m_reactionForceVisualizer)),
      m_pointEvaluator(other.m_pointEvaluator)
{
}

std::vector<TableEntry> InteractiveResult::localQuantitiesTable(const OdGePoint2d& point) const
{
    if (!m_pointEvaluator)
        return {};
    const double scale = m_meshQuantityVisualizer ? m_meshQuantityVisualizer->getDisplacementFactor() : 0.0;
    const std::optional<PointValues> values = m_pointEvaluator->evaluate(point, scale);
    const OdGeVector2d u = values ? values->displacement : OdGeVector2d(kNaN, kNaN);
    const double vonMises = values ? values->vonMises : kNaN;
    const double length = values ? u.length() : kNaN;
    return {
        drawingLengthRow(L"Position x", point.x, m_context),
        drawingLengthRow(L"Position y", point.y, m_context),
        stressRow(L"Von Mises stress", vonMises, m_context),
        lengthRow(L"Displacement x", u.x, m_context),
        lengthRow(L"Displacement y", u.y, m_context),
        lengthRow(L"Displacement", length, m_context),
    };
}

Analyze2dStageNotifier::~Analyze2dStageNotifier()
{
    if (m_listener && m_listener->m_notifier == this)
        m_listener->m_notifier = nullptr;
}

void Analyze2dStageNotifier::setListener(Analyze2dStageListener* listener)
{
    if (m_listener && m_listener->m_notifier == this)
        m_listener->m_notifier = nullptr;
    m_listener = listener;
    if (m_listener)
        m_listener->m_notifier = this;
}

void Analyze2dStageNotifier::startSetup(InputHandler& handler)
{
    if (m_stage == eSetup)
        return;
    m_stage = eSetup;
    if (m_listener)
        m_listener->onStartSetup(handler);
}

void Analyze2dStageNotifier::startResults(InteractiveResult& result)
{
    if (m_stage == eResults)
        return;
    m_stage = eResults;
    if (m_listener)
        m_listener->onStartResults(result);
}

Analyze2dStageListener::~Analyze2dStageListener()
{
    if (m_notifier && m_notifier->m_listener == this)
        m_notifier->m_listener = nullptr;
}

EAnalyze2dStage Analyze2dStageListener::getStage() const
{
    return m_notifier ? m_notifier->stage() : eUndefined;
}

void Analyze2dStageListener::onStartSetup(InputHandler&) {}

void Analyze2dStageListener::onStartResults(InteractiveResult&) {}

} // namespace cae_core::fea2d
