#pragma once

#include <functional>
#include <type_traits>
#include <utility>

namespace MeshQueries {

/// Gives the bounding box of a tree object by calling a stored function object.
///
/// The tree keeps its accessor for its whole life, so whatever the wrapped calculator captures
/// (a grid reference, a tolerance) lives on inside the tree. The calculator is called
/// concurrently from several threads while a tree is built and must therefore be safe to call
/// at the same time from different threads.
template <class Object, class Box>
class ObjectTreeDefaultAccessor {
 public:
  using Function = std::function<Box(const Object&)>;

  /// An accessor without a calculator; calling it throws `std::bad_function_call`.
  ObjectTreeDefaultAccessor() = default;

  /// Wraps any callable that maps a const `Object`& to a `Box`.
  /// @param[in] calculator the box calculator, copied or moved into the accessor.
  template <class Calculator>
  requires(!std::is_same_v<std::remove_cvref_t<Calculator>, ObjectTreeDefaultAccessor> &&
           std::is_invocable_r_v<Box, const Calculator&, const Object&>)
      ObjectTreeDefaultAccessor(Calculator&& calculator)  // NOLINT: implicit by design
      : function(std::forward<Calculator>(calculator)) {}

  /// The box of one object.
  Box operator()(const Object& object) const { return function(object); }

  /// The wrapped calculator.
  const Function& GetFunction() const { return function; }

 private:
  Function function;
};

}  // namespace MeshQueries
