#pragma once

/// Parameter direction of a UV surface.
enum eInUV : int {
  eInU = 0,  ///< the U direction
  eInV = 1,  ///< the V direction
};

/// How a face uses its surface's normal.
enum eFaceOrientation : int {
  eFaceOrientationUndefined = 0,  ///< not set
  eFaceOrientationForward = 1,    ///< the face's outward side is the surface normal's side
  eFaceOrientationReversed = 3,   ///< the face's outward side is opposite to the surface normal
};

/// Marks of loops that need special handling by the triangulator.
enum eLoopSpecialCase : int {
  eLoopSpecialCaseNone = 0,
  /// The loop's direction is not reliable: its winding in UV decides the face's orientation.
  eLoopSpecialCaseUnoriented = 2,
  /// The loop runs once around a periodic domain (for example a circle around a cylinder).
  eLoopSpecialCaseAroundDomain = 3,
};

/// Return values of the CAD entity operations that report success.
struct MGlobalCAD {
  enum eReturnValues : int {
    eOk = 0,        ///< the operation succeeded
    eNotFound = 1,  ///< the requested data does not exist
  };
};
