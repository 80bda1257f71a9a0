#include "TestModels.h"

#include "tools/nastran/Assembly.h"
#include "tools/nastran/Deck.h"
#include "tools/nastran/Elements.h"
#include "tools/nastran/Recovery.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace nastran;
using namespace nastran::test;

namespace
{

/// u^T K u summed over the elements, from their own stiffness.
double elementEnergy(const Model& model, const Results& results)
{
    double energy = 0.0;
    ElementMatrix k;
    for (const Element& e : model.elements)
    {
        std::vector<Vec3> x;
        ElementVector u(static_cast<Eigen::Index>(3 * e.grids.size()));
        for (std::size_t a = 0; a < e.grids.size(); ++a)
        {
            const auto g = static_cast<std::size_t>(e.grids[a] - 1); // grids are numbered 1..n in order
            x.push_back(model.grids[g].x);
            for (std::size_t c = 0; c < 3; ++c)
                u(static_cast<Eigen::Index>(3 * a + c)) = results.displacement[g][c];
        }
        tetraStiffness(x, model.materials.front().youngsModulus, model.materials.front().poissonRatio, k);
        energy += u.dot(k * u);
    }
    return energy;
}

/// x^T K x of the symmetric matrix stored as its upper triangle.
double reducedEnergy(const UpperMatrix& k, const std::vector<double>& x)
{
    double energy = 0.0;
    for (std::size_t j = 0; j < k.n; ++j)
        for (auto p = k.colPtr[j]; p < k.colPtr[j + 1]; ++p)
        {
            const auto i = static_cast<std::size_t>(k.rows[static_cast<std::size_t>(p)]);
            energy += (i == j ? 1.0 : 2.0) * k.values[static_cast<std::size_t>(p)] * x[i] * x[j];
        }
    return energy;
}

// The reduced matrix, its pattern taken from the elements' equations through the MPCs, must hold the
// energy of the elements for every displacement the constraints allow: an entry missing from the
// pattern or added at the wrong place changes it.
TEST(Assembly, ReducedMatrixHoldsTheElementsEnergyUnderTheConstraints)
{
    const TetMesh m = boxMesh(2, 1, 1, 2.0, 1.0, 1.0, false);
    std::string bulk = solidBulk(m, 2.0e5, 0.3) + "FORCE,10,1,,1.0,1.0,0.0,0.0\n";
    const auto face = nodesWhere(m, [](const Vec3& x) { return x[0] == 0.0; });
    bulk += spc1("23", {face.front()});
    // A chain along the face from a grid free along it, and one MPC tying the far end to two of the face's
    // grids across every element.
    for (std::size_t k = 1; k < face.size(); ++k)
        bulk += "MPC,100," + std::to_string(face[k]) + ",1,1.0," + std::to_string(face[k - 1]) + ",1,-1.0\n";
    const auto far = nodesWhere(m, [](const Vec3& x) { return x[0] == 2.0; });
    bulk += "MPC,100," + std::to_string(far.back()) + ",3,2.0," + std::to_string(face.back()) +
            ",2,-0.5\n+,," + std::to_string(face[1]) + ",1,-0.25\n";
    const DeckReadResult deck = readDeck(deckHeader() + bulk + "ENDDATA");
    ASSERT_TRUE(deck.errors.empty()) << deck.errors.front().text;

    std::vector<Note> notes;
    const ModelIndex index = indexModel(deck.model, notes);
    const DofMap dofs = constrainDofs(deck.model, index, notes);
    UpperMatrix k = matrixPattern(deck.model, index, dofs);
    std::vector<double> rhs(dofs.equations, 0.0);
    assembleElements(deck.model, index, dofs, k, rhs);
    for (const int seed : {1, 2, 3})
    {
        std::vector<double> x(dofs.equations);
        for (std::size_t q = 0; q < x.size(); ++q)
            x[q] = std::sin(static_cast<double>(seed * 100 + static_cast<int>(q)));
        Results results;
        recoverDisplacements(index, dofs, x, results);
        const double expected = elementEnergy(deck.model, results);
        EXPECT_NEAR(reducedEnergy(k, x), expected, 1e-10 * expected) << "seed " << seed;
    }
}

} // namespace
