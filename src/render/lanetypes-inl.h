// The vector types of the lanes, for every instruction set: up to eight doubles a
// vector, and the integers and masks that go with them. Included after
// <hwy/highway.h> by each file compiled once per instruction set; the guard flips
// with each of those passes, as Highway's own per-target headers do.

#if defined(VANTREL_RENDER_LANETYPES_INL_H_) == defined(HWY_TARGET_TOGGLE)
#ifdef VANTREL_RENDER_LANETYPES_INL_H_
#undef VANTREL_RENDER_LANETYPES_INL_H_
#else
#define VANTREL_RENDER_LANETYPES_INL_H_
#endif

#include <hwy/highway.h>

#include <cstddef>

HWY_BEFORE_NAMESPACE();
namespace vantrel {
namespace HWY_NAMESPACE {

namespace hn = hwy::HWY_NAMESPACE;

constexpr std::size_t maxlanes = 8;
using D = hn::CappedTag<double, maxlanes>;
using DI = hn::RebindToSigned<D>;
using V = hn::Vec<D>;
using VI = hn::Vec<DI>;
using M = hn::Mask<D>;

}  // namespace HWY_NAMESPACE
}  // namespace vantrel
HWY_AFTER_NAMESPACE();

#endif
