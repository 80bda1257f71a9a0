#pragma once

// Typed errors of the triangulation. Every index they carry is a "user" vertex index: the position of the
// point in the sequence of all points the caller has inserted (0 = the first point of the first call),
// which is also its index in `vertices` after `eraseOuterTrianglesAndHoles`.

#include "cdt/CdtTypes.h"

#include <stdexcept>
#include <string>

namespace CDT
{

/// Base of every error the triangulation raises; what() is a readable sentence naming the offending input.
class Error : public std::runtime_error
{
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

/// A point coincides exactly with another inserted point.
class DuplicateVertexError : public Error
{
public:
    /// v1: the earlier point (smaller user index); v2: the later one.
    DuplicateVertexError(VertInd v1, VertInd v2)
        : Error("Duplicate vertex: point " + std::to_string(v2) + " coincides with point " +
                std::to_string(v1)),
          m_v1(v1), m_v2(v2)
    {
    }
    /// User index of the point that was there first.
    VertInd v1() const noexcept { return m_v1; }
    /// User index of the point that coincides with it.
    VertInd v2() const noexcept { return m_v2; }

private:
    VertInd m_v1;
    VertInd m_v2;
};

/// A new constraint edge crosses an existing constraint edge at a point that is not a vertex of both.
class IntersectingConstraintsError : public Error
{
public:
    /// e1: the constraint edge already in the triangulation; e2: the new edge as the caller gave it.
    IntersectingConstraintsError(Edge e1, Edge e2)
        : Error("Intersecting constraint edges: new edge (" + std::to_string(e2.v1()) + ", " +
                std::to_string(e2.v2()) + ") crosses constraint edge (" + std::to_string(e1.v1()) + ", " +
                std::to_string(e1.v2()) + ")"),
          m_e1(e1), m_e2(e2)
    {
    }
    /// The constraint edge that was already there (user indices).
    Edge e1() const noexcept { return m_e1; }
    /// The new edge that crosses it (user indices, as passed to insertEdges).
    Edge e2() const noexcept { return m_e2; }

private:
    Edge m_e1;
    Edge m_e2;
};

} // namespace CDT
