// Compiled once per build variant, with the variant's class (CMakeLists.txt); everything else of
// the stand-in is compiled once for all of them.
namespace fakeoci {

int VariantClass() { return FAKEOCI_CLASS; }

}  // namespace fakeoci
