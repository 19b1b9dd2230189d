#pragma once

#include <cstddef>
#include <type_traits>

#include "Oxlen/Math/boundingbox.h"
#include "Oxlen/Math/point.h"

namespace MeshQueries::detail {

/// The type parameters of an `M3DObjectTree`: the object type, the scalar type of coordinates,
/// the dimension (always 3), the accessor that maps an object to its box, and the container in
/// which the tree keeps its objects.
template <class Object, class Scalar, std::size_t Dimension, class Accessor, class Container>
struct M3DObjectTreeParams {
  static_assert(Dimension == 3, "the object tree is a tree in 3D space");
  static_assert(std::is_floating_point_v<Scalar>, "coordinates are floating-point numbers");
  static_assert(std::is_same_v<typename Container::value_type, Object>,
                "the container holds the tree's objects");

  using ObjectType = Object;
  using ScalarType = Scalar;
  using AccessorType = Accessor;
  using ContainerType = Container;
  using Point = Oxlen::Math::point<Scalar, Dimension>;
  using Box = Oxlen::Math::boundingbox<Scalar, Dimension>;
  static constexpr std::size_t dimension = Dimension;
};

}  // namespace MeshQueries::detail
