// Golden frames: every effect, run between two fixed pictures at 64 x 48 with a fixed seed, leaves
// eight frames (spread evenly over its run) whose FNV-1a 64 hashes are kept below. A change to any
// family's drawing, its step timing or its use of the random source shows up here at once, naming
// the effect and the frame.
//
// After an intended change, regenerate the table and paste it over kGolden:
//   VORLANDITE_PRINT_GOLDEN=1 ./tests/transitions/transitions_golden_test
// In that mode the test prints the rows to stdout instead of comparing.

#include "TransitionRig.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>

namespace vorlandite::transitions {
namespace {

using namespace testing;

constexpr int kWidth = 64, kHeight = 48, kSteps = 12, kSampleCount = 8;

struct GoldenRow {
    int effect;
    int frames;  // frames recorded; a changed count shifts every sample, so it is checked first
    std::array<uint64_t, kSampleCount> hashes;
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const GoldenRow& row, std::ostream* out) { *out << "effect " << row.effect; }

// Over the pixels as stored (row by row, each pixel's four bytes low to high), so that the hash
// does not depend on the machine's byte order.
uint64_t Fnv1a64(const TBitmap32& bitmap) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (const TColor32 pixel : bitmap.Scanline(y))
            for (int shift = 0; shift < 32; shift += 8) {
                hash ^= (pixel >> shift) & 0xFFu;
                hash *= 0x100000001b3ull;
            }
    return hash;
}

// clang-format off
constexpr GoldenRow kGolden[] = {
    {1, 12, {0x5788bd9a78a1fd5dull, 0x21a30ca5fbedf075ull, 0xf4e107ed40f8a6c5ull, 0xde97a91076330a8dull,
        0x83446af7788a743dull, 0xb6af03cf0288c565ull, 0x7d0894c6f5e25dc5ull, 0x5998e65a524c3825ull}},
    {2, 12, {0x4f8ce3409f8e545dull, 0x55c34d7b4a5d4ce5ull, 0x796eee8029d55445ull, 0x1ee4d9288df8741dull,
        0xdc451e2256feab9dull, 0xa34193381180ebe5ull, 0x575b7250666ec7d5ull, 0x5998e65a524c3825ull}},
    {3, 12, {0xfe5a9736c99ef7adull, 0x1aea309357a13c85ull, 0xe79442f81d8a4905ull, 0xf99ec4e1cda2ba6dull,
        0x6cac1a359c45142dull, 0x1e7c60088e2cf225ull, 0x091860889d202a15ull, 0x5998e65a524c3825ull}},
    {4, 12, {0xbf6367e6a7f9b38dull, 0x3662157ff7724255ull, 0xa7c045e1cd6bbdc5ull, 0x57bb1f559d01ba1dull,
        0xde9a6ee8950f716dull, 0x068d5a7f6bb773e5ull, 0x646d20cdc78cf965ull, 0x5998e65a524c3825ull}},
    {5, 12, {0x920659718e6696c5ull, 0x0f8d0cb174634d65ull, 0x98901acbee7f4a45ull, 0xffcee5bd980702a5ull,
        0xe7bbbedd25e55245ull, 0x7348dd1b01473325ull, 0xb63f4f8f6d612305ull, 0x5998e65a524c3825ull}},
    {6, 12, {0x86bd490504f10205ull, 0x9f96e8bae79a5105ull, 0x17d01c915e4734c5ull, 0xa900de64d5c51985ull,
        0x12a5c4612ab5d705ull, 0xec07cab06793de05ull, 0x635b5d952581a245ull, 0x5998e65a524c3825ull}},
    {7, 12, {0x74e542d9ee4e7425ull, 0xdd1cf2ec2ec89f25ull, 0x5e09a5f82500bba5ull, 0x0d0544c34ab85a25ull,
        0x6fa3123821b47fa5ull, 0x287a76d8d6f09825ull, 0x461877c2939209a5ull, 0x5998e65a524c3825ull}},
    {8, 12, {0x96008817ac356a25ull, 0x09e1c40619e11825ull, 0x3afb45876c5e7fa5ull, 0x0a8defcd9273a225ull,
        0x69d236d2cf8f05a5ull, 0x670459cbb20e4425ull, 0xd572b0c146e678a5ull, 0x5998e65a524c3825ull}},
    {9, 12, {0x04afd4d410a9a785ull, 0xf8b54b85d9c178e5ull, 0x69a67fe7121d99e5ull, 0x0be0715ecfcf6445ull,
        0xaac916ea3b86a005ull, 0x4b99a6de29cd0b25ull, 0x822cc9e5f5e990a5ull, 0x5998e65a524c3825ull}},
    {10, 13, {0x455a97024d70d805ull, 0xc1a5f0581e704225ull, 0xd45e9a3b59800985ull, 0xaabddabb2424f585ull,
        0xa20727fca48f9585ull, 0xe220811826513b85ull, 0x77513383dc596dc5ull, 0xc5a66e9f8de8fe65ull}},
    {11, 12, {0xed3406f62024dff5ull, 0xe489a8deccfc5005ull, 0xcd8bbf855bdca925ull, 0x7f801ab4d780bd35ull,
        0x257321cbb278fef5ull, 0x24f6e9b8b8c41e65ull, 0x368ae9580af05545ull, 0x5998e65a524c3825ull}},
    {12, 12, {0x18221e64a6b48cf5ull, 0xf8febb76b2ee25b5ull, 0x1ec185ed6e976e95ull, 0x1addda1034c9f355ull,
        0x44209da8a69919f5ull, 0x6a3346f78b1a4795ull, 0x4728aa7cf6d1bb55ull, 0x5998e65a524c3825ull}},
    {13, 12, {0x0fe3ee278ae976f5ull, 0xe84f0c4d916eb795ull, 0xf167a650d9e282e5ull, 0xd40e01f23b299af5ull,
        0x4936eec3099ce605ull, 0xa027ba097f4a90a5ull, 0x29a7eb34b1c54a15ull, 0x5998e65a524c3825ull}},
    {14, 39, {0x7a0997764a872d15ull, 0x74ce6538d4d30545ull, 0xef7cf7ba3e257d19ull, 0x9e85684522b97f1dull,
        0x4114293507105ac1ull, 0xb9042066dc566e9dull, 0xa14c0ebed3aa71c5ull, 0x5998e65a524c3825ull}},
    {15, 12, {0x387d682f048a80ddull, 0x8dfe442f1da4f5cdull, 0xc4724ee0365e9dfdull, 0x6d2c183da5864c0dull,
        0xfee3c56f618ed7ddull, 0xa743ffab5b6f6bcdull, 0x7d23ac2f4878be3dull, 0x5998e65a524c3825ull}},
    {16, 39, {0x9f548b3c305253c5ull, 0x18bf3b48e2316e25ull, 0x1b0d2e8bdafc10cdull, 0x18c7bff73d06c9f7ull,
        0xa5ead03abcf48c75ull, 0x7ddb58230b2ff285ull, 0x2c07f04b219658b5ull, 0x5998e65a524c3825ull}},
    {17, 12, {0x96e877c6ed23a165ull, 0xd67b016d7db968a5ull, 0x2e3a7997b47e3625ull, 0x075cf7ca9174c725ull,
        0x776f8f46ea4483a5ull, 0xd8c4c2bf1a4aa2a5ull, 0x421546c5422be425ull, 0x5998e65a524c3825ull}},
    {18, 12, {0x978a91cd1c6918b5ull, 0xc0c828051a235f15ull, 0x77dea7a4184a3e15ull, 0x24185815006f6255ull,
        0x47ae016c8d67e475ull, 0x6b5eeb0e4712d055ull, 0x054cc5ef7fa00195ull, 0x5998e65a524c3825ull}},
    {19, 39, {0x9f548b3c305253c5ull, 0x29ca1c27c7ce7862ull, 0xa410bbe46554124dull, 0x974605d9784e5aa6ull,
        0xbc62c782ea56755dull, 0x4b8f68711392a54full, 0x335a02ff022e3522ull, 0x5998e65a524c3825ull}},
    {20, 39, {0x7a0997764a872d15ull, 0x6931f927beefbca1ull, 0x5cdbb1e98a6c806aull, 0xa214ba917baca381ull,
        0xa5cd15a2e5b111a7ull, 0x8e932d6d0ce4bd02ull, 0xfc38ddfd31012a45ull, 0x5998e65a524c3825ull}},
    {21, 12, {0x374f94df93319425ull, 0x374f94df93319425ull, 0xcac78ce34aa68185ull, 0x3f4aeacd34e17ba5ull,
        0x95b5d280f5afea25ull, 0x95b5d280f5afea25ull, 0x887b6b783e995f25ull, 0x585252a0d319e845ull}},
    {22, 12, {0xe51c3663b223cf25ull, 0xe51c3663b223cf25ull, 0x90ac576944a0ee65ull, 0x31cbbf459aa366e5ull,
        0x0e8e7c7ccf17d685ull, 0x0e8e7c7ccf17d685ull, 0xc75faa7dc5915d25ull, 0x7f9e267823f27985ull}},
    {23, 12, {0x5eee7ebadf674d45ull, 0x594eb34bf8b0c075ull, 0x066bac062d703745ull, 0x8832753e5f015655ull,
        0x826c6f811aa20285ull, 0x270a9982d56a6335ull, 0x87f32f4a0db6e945ull, 0x5998e65a524c3825ull}},
    {24, 13, {0x171cabd8d3db5425ull, 0x49aa1193096fa2f5ull, 0x080ba2c4faa7e265ull, 0x48098a8047176995ull,
        0xd937bce50d83a2e5ull, 0x97a3b4adc84951f5ull, 0x73f412fd768e3015ull, 0x5998e65a524c3825ull}},
    {25, 12, {0xb2e164420ea6de25ull, 0x7cefcba2c3a5c825ull, 0x18a9e708816793a5ull, 0xaba21f72b3cced25ull,
        0x18a5c840a0863ca5ull, 0xc5787a99f4d75825ull, 0x88a726a4a78b28a5ull, 0x5998e65a524c3825ull}},
    {26, 13, {0x50360d32a55e9c25ull, 0xbc01fa2df303ef25ull, 0xcaa675556c4ca7a5ull, 0x6af9f5eaaa8777a5ull,
        0x519afdb7d306b4a5ull, 0xe967188950d5b6a5ull, 0x5df13b91ecd3ffa5ull, 0x5998e65a524c3825ull}},
    {27, 12, {0x9da9f953a07a59e5ull, 0xa5ee7ecb9e59843dull, 0x320f092b944d0505ull, 0xef3ba46ee7874519ull,
        0x33b9db0bbf16f4c5ull, 0x405b6cf8aa899bc5ull, 0x5bba85e45a360175ull, 0xf473139ff5307ba5ull}},
    {28, 13, {0xd7db8ce2022dac35ull, 0xe52908178ead3a2dull, 0x810e60022dae6c65ull, 0x8ec83676a9aa635dull,
        0xfe45166e2ecf6f75ull, 0x99cf63607d705519ull, 0xb536133b44bb8221ull, 0xf473139ff5307ba5ull}},
    {29, 13, {0x24a47150f36af575ull, 0x2e22336419cff0edull, 0x01a30c32cd39cce5ull, 0x33103046ba2ff0ddull,
        0xabbb4bffc74db9f5ull, 0x8b7ba5e82c55a459ull, 0x159d22ee908a23d1ull, 0x5df13b91ecd3ffa5ull}},
    {30, 13, {0x9ff6fe91a4129305ull, 0x9256dc675544ec5dull, 0x25e3556bfc70f545ull, 0x0f8b64e60b36169dull,
        0x0de651d867389945ull, 0x7886b9724bcaca71ull, 0x13488981cfaabb21ull, 0x5df13b91ecd3ffa5ull}},
    {31, 13, {0xd9efc64a3faa5285ull, 0x75498d4bf816ffe5ull, 0x3f0d2c97314d57c5ull, 0xebf686e9d9c87725ull,
        0xc9f306842cd07385ull, 0xb00332d4ab01b3e5ull, 0xc6ac44230b2b9065ull, 0x5998e65a524c3825ull}},
    {32, 13, {0xabc2f070a5cdf725ull, 0x0823327a88a11705ull, 0xd6fa101794faf8e5ull, 0x080bba3439454ba5ull,
        0x3b2a4c59d5e49325ull, 0xd6ca7a503beabde5ull, 0xadf1782d5748eb45ull, 0x5998e65a524c3825ull}},
    {33, 14, {0xeb103a784842dfa5ull, 0x9ce088f46167b9bdull, 0x2919e66ad06936e5ull, 0xef16d9d0a31ef92dull,
        0x9445cc7df14a05edull, 0x38d82af9929f9665ull, 0x654161da45ed75fdull, 0x5998e65a524c3825ull}},
    {34, 13, {0x9fdc864825c6f55dull, 0x1df4dc36716190bdull, 0xffecbd9bfd63976dull, 0x1842dea36e6b61cdull,
        0xb41c36d4f9ed871dull, 0x81c4617849af045dull, 0x5c5cea89adb72fedull, 0x5998e65a524c3825ull}},
    {35, 13, {0x0fbd185bf5acabf9ull, 0xf2b5c61a7e62fc6dull, 0xe7c0812e126bc135ull, 0xd91083e4de7e10bdull,
        0x8a5ac1f80d606a09ull, 0xb9914a3d85092371ull, 0x9bdf3f37d152ca79ull, 0x5998e65a524c3825ull}},
    {36, 66, {0x14a2daddeeecef91ull, 0xe818307cd526308dull, 0xd97a6a2f50cb4419ull, 0xa7d97349d8c45d95ull,
        0xe108362cc54d91d5ull, 0x8c623cef441bab99ull, 0xb006726f45e1aa45ull, 0x5998e65a524c3825ull}},
    {37, 13, {0x68d8dbf6691ecbb9ull, 0x962a40fb21a68fbbull, 0x97dc6189e8cd9b99ull, 0x2eb0a754c2a8222full,
        0x74a1b8222d4ade71ull, 0xb1dee542def28e0full, 0xcdebcce672581b9bull, 0x5998e65a524c3825ull}},
    {38, 66, {0xefe2487dcf14c657ull, 0xeff3ec01b70de0c5ull, 0x08ce3d98d89741b3ull, 0xf95fa8d65c011df7ull,
        0xbee40ec6dfeb5bc3ull, 0xfad72c249ff06427ull, 0x9b8d04df8580d072ull, 0x5998e65a524c3825ull}},
    {39, 13, {0xf7c20d6e25a2c365ull, 0x90e9160c90f30d25ull, 0xc4ead84ccb0fc125ull, 0x66792e2624971da5ull,
        0x2c6b7d743e305c25ull, 0x5dedccda74a9ce65ull, 0x50d5a2e9051734e5ull, 0x5998e65a524c3825ull}},
    {40, 13, {0x7bc00d9b4e22ea35ull, 0xd51e4687f42e8b65ull, 0x96a3840e914a21d5ull, 0xa686cad8bec481d5ull,
        0x3e7ffe171a5b5eb5ull, 0x510546bda0a5a875ull, 0xa573522404aefce5ull, 0x5998e65a524c3825ull}},
    {41, 28, {0x811cfcbc49c5ac14ull, 0x6dd6601b0e4f2fd1ull, 0x1db31e97a718e1c5ull, 0xd93ea7b3b88c32bfull,
        0xb35342f1752716e4ull, 0xa7656f6cf0570a0aull, 0x988d75d918a6f839ull, 0x5998e65a524c3825ull}},
    {42, 28, {0x811cfcbc49c5ac14ull, 0xde01f009d2c1dab2ull, 0x0757fb26e805a6f8ull, 0xac5241e7bb67660cull,
        0x1a4560ab0b53f36dull, 0x5f1025bbbf567de4ull, 0xe1799ff3ae367eaaull, 0x5998e65a524c3825ull}},
    {43, 12, {0xd9efc64a3faa5285ull, 0x3dcf7924e3a4c6c5ull, 0x4f10c4dd49d06105ull, 0x1c8882b134ca07c5ull,
        0xd8d78062f1b106e5ull, 0x73831d9262aeed85ull, 0x2dc6f350dd2c9605ull, 0x5998e65a524c3825ull}},
    {44, 12, {0x4ae4eeacc350a0a5ull, 0x55a9b3ca45691fa5ull, 0x28f437ed3d1fe5a5ull, 0xdafd0513b7049fa5ull,
        0x31216e0e92bf6b25ull, 0xbe51e108a4b30625ull, 0x244edc634bc6bc25ull, 0x5998e65a524c3825ull}},
    {45, 24, {0x236746e61c3e3255ull, 0xda7e0dc25e9e4025ull, 0x6379e59f7cc6c755ull, 0x74f39227716d8ae5ull,
        0x6a3c653bb28e9015ull, 0x7ba600f9cdf00d45ull, 0x6aa71bf4456b72b5ull, 0x5998e65a524c3825ull}},
    {46, 24, {0x7db97e285adbb8e5ull, 0xfc0cddfcdaaa0625ull, 0x8125c1178bcd55e5ull, 0x5ec5266710cb8025ull,
        0x6fc69a09830dc7a5ull, 0xe931d58791d3cd65ull, 0x297ce5c7462cf2a5ull, 0x5998e65a524c3825ull}},
    {47, 24, {0xa74fcce75c2c8845ull, 0x0a53cb6209b30ae5ull, 0x60a39d56dda84fc5ull, 0xc01f856081e4ac25ull,
        0x0309443c5777679dull, 0x220e00a289aab15dull, 0x471a92458b8ccfddull, 0x5998e65a524c3825ull}},
    {48, 25, {0xf0dc226f6f4b5c45ull, 0x006ab712477237a5ull, 0x2826ba9e3f4e2bc5ull, 0x9b321c1f2199b58dull,
        0x8818807cdce0563dull, 0xd138038f8cd739fdull, 0x5caee0499a5ab4bdull, 0x5998e65a524c3825ull}},
    {49, 25, {0xa74fcce75c2c8845ull, 0x0a53cb6209b30ae5ull, 0x60a39d56dda84fc5ull, 0x065d76384271dabdull,
        0x8818807cdce0563dull, 0xd138038f8cd739fdull, 0x5caee0499a5ab4bdull, 0x5998e65a524c3825ull}},
    {50, 24, {0xf0dc226f6f4b5c45ull, 0x006ab712477237a5ull, 0x2826ba9e3f4e2bc5ull, 0x20a71da17075b2a5ull,
        0x0309443c5777679dull, 0x220e00a289aab15dull, 0x471a92458b8ccfddull, 0x5998e65a524c3825ull}},
    {51, 13, {0x648126dba3c0af65ull, 0x5d35ebbc24475785ull, 0xe05eec7212f50465ull, 0xeb08bd59bcac76c5ull,
        0x1168bee0747132a5ull, 0x1576aa81161fc605ull, 0xff74e384ab523e85ull, 0x5998e65a524c3825ull}},
    {52, 24, {0xa1a24e636029cca5ull, 0x4e2f51933e4ba4e5ull, 0xf2f6b8bc61b606e5ull, 0x4178da85fedf69a5ull,
        0xbd49da6e4e233e65ull, 0x94c0b61b5dc0d8a5ull, 0x22ae1a7a99f5f6e5ull, 0x5998e65a524c3825ull}},
    {53, 25, {0x244a69edad86a5e5ull, 0x3787f95a47a66a65ull, 0x8d3e539572c48b25ull, 0xd392e5bf3a6bf8e5ull,
        0x126a9a3ba9a07925ull, 0xcf92ac59a9544fe5ull, 0x380e48da7bcbc5a5ull, 0x5998e65a524c3825ull}},
    {54, 25, {0xa1a24e636029cca5ull, 0x4e2f51933e4ba4e5ull, 0xf2f6b8bc61b606e5ull, 0x50eaca34ed0f1fa5ull,
        0x126a9a3ba9a07925ull, 0xcf92ac59a9544fe5ull, 0x380e48da7bcbc5a5ull, 0x5998e65a524c3825ull}},
    {55, 24, {0x244a69edad86a5e5ull, 0x3787f95a47a66a65ull, 0x8d3e539572c48b25ull, 0x4889b9475074cfe5ull,
        0xbd49da6e4e233e65ull, 0x94c0b61b5dc0d8a5ull, 0x22ae1a7a99f5f6e5ull, 0x5998e65a524c3825ull}},
    {56, 13, {0x795bcef0816a2365ull, 0x29d0024ff40952e5ull, 0x93997b119ab388e5ull, 0xd5b5aa1c17ea53a5ull,
        0xe1f2a84ed342e2a5ull, 0x6e98935d4aeacee5ull, 0x431fbd30ad560ae5ull, 0x5998e65a524c3825ull}},
    {57, 24, {0x3bc626f7a7994f87ull, 0x71d53025b84ee6c5ull, 0x478eea22a29f997bull, 0xded477ff9f09145dull,
        0x111fc2d30e787878ull, 0x089cb51fd19aff7full, 0x4dbb7e22d1f342d8ull, 0x5998e65a524c3825ull}},
    {58, 24, {0x52bd23513ba98c67ull, 0x40f05a47e16b1845ull, 0x5c06701bb951924full, 0x8d38e0cba5334fcdull,
        0x8608967f8ef0a3c1ull, 0x4d279e0aabb5f1f5ull, 0x1b03b68cb28d93bdull, 0x5998e65a524c3825ull}},
    {59, 24, {0xd92017c74d57f33full, 0xf8e1893e601687a5ull, 0xaa19f47eedff3853ull, 0xe09b19ed782f454dull,
        0x3f47e91990362acbull, 0x3a3016e4a0a7d266ull, 0xcb3be9250ba0f00full, 0xcc8ef5d49e12fa5eull}},
    {60, 24, {0xdf95e2851b1b8827ull, 0xb5329a12aa762885ull, 0xbe968d77701857cfull, 0x87c26887c975123dull,
        0xaa2afdde99afdf6dull, 0x0e96cf20dfe0e83bull, 0xe1adae09f8ef0355ull, 0x5998e65a524c3825ull}},
    {61, 41, {0xd23c7a209b3e9119ull, 0x07eefa69a2552155ull, 0x6d7969dcd67c5945ull, 0x9138ac4206c6e8ddull,
        0x1100fb6e704cbf05ull, 0x04b7aefc9d300de9ull, 0xcbc3517b231124c5ull, 0x5998e65a524c3825ull}},
    {62, 41, {0x2df7f4a71d6b4b25ull, 0xb2c1387d9a557c45ull, 0xf3947ce6e2b537a5ull, 0x2edc322dcf4fd625ull,
        0x6f05e857cba27745ull, 0xc080c58c0a6b07d5ull, 0x7096e1271c7aeb45ull, 0x5998e65a524c3825ull}},
    {63, 12, {0x5eee7ebadf674d45ull, 0xe6c73e8e67fbd905ull, 0x7286c11d83cc65a5ull, 0xe934debba46e7be5ull,
        0xe2a7bdea1c8343a5ull, 0xb852db0ae88d49a5ull, 0x0bd929b7799b7975ull, 0x5998e65a524c3825ull}},
    {64, 12, {0xb2e164420ea6de25ull, 0x79c6a8ccef65f5a5ull, 0x65e81e5a7e2cc225ull, 0x4c892627a6abff25ull,
        0xf23b1014f94af425ull, 0x227e58dfbb9758a5ull, 0x9d9c3d1226b26425ull, 0x5998e65a524c3825ull}},
    {65, 11, {0x32442d2330195945ull, 0x517dc4ef1cea86e5ull, 0x9e2fcac9fef54025ull, 0x8aa71195adac79a5ull,
        0xaeb0ce36fb857de5ull, 0x000247135d9dcd65ull, 0x5668dd25426c26a5ull, 0xc16f917ed13527e5ull}},
    {66, 11, {0xc0e1d3aa397f66e5ull, 0x4aacaf88cd545725ull, 0xfef013f9cb7413a5ull, 0x325dfafe5fab1625ull,
        0xf55a2c414b633a65ull, 0x4ed3b236987e4fe5ull, 0xd06d03ccfe439225ull, 0x9500883f4c6465a5ull}},
    {67, 11, {0x9746d4efb0058b65ull, 0xef8159d2a3dfd125ull, 0x8f75d7d886bc69e5ull, 0xb1256d18b74e3de5ull,
        0xb521d7946db30c25ull, 0xb9c179d50ea42025ull, 0x2f83dcd571019b65ull, 0x113a728ff51fcbe5ull}},
    {68, 11, {0x78de39347018a965ull, 0x0b68d75227c03125ull, 0x21f09ddb5a5473e5ull, 0xf01d52b88a79d0e5ull,
        0xe96337060f636f25ull, 0xcdd6477a3db79425ull, 0x2843ba15f8b9cf65ull, 0x1e3d4907fb6e7de5ull}},
    {69, 7, {0x4bfb5bacd1764f25ull, 0x4bfb5bacd1764f25ull, 0xdef0f7c9d88456c5ull, 0x7dfbcd52f0e1de91ull,
        0xf0a836916ba41f35ull, 0xe62897c7b6b272b9ull, 0x4d5cc75093c91335ull, 0x5998e65a524c3825ull}},
    {70, 7, {0xeb103a784842dfa5ull, 0xeb103a784842dfa5ull, 0xe4943c324991d115ull, 0x8056e508c2c52765ull,
        0x8ffe6c4b4e9b2959ull, 0xcf67d1cbab9d9b45ull, 0x0cdc039dce1063c1ull, 0x4e2efe032b7ddc55ull}},
    {71, 10, {0xeb103a784842dfa5ull, 0xcdb81ca2ac1120a5ull, 0xd841146c54ebb46dull, 0xfd273ebdb3540341ull,
        0xe3bab9e3d90dc3c9ull, 0x39923a0b6339bc35ull, 0xb983015de0f46091ull, 0x5998e65a524c3825ull}},
    {72, 10, {0xeb103a784842dfa5ull, 0x72e7e9e382c41f39ull, 0xc4e1753fc0df0ea5ull, 0xd0dc5a47c22b6679ull,
        0x3c26fc14cbe7aac9ull, 0xdaf3451100976865ull, 0x2a3c937130122ff5ull, 0x5998e65a524c3825ull}},
    {73, 20, {0xeb103a784842dfa5ull, 0x8466da90db5137b7ull, 0xd9039ab2833b5fa1ull, 0xbc84622be7f1f533ull,
        0xb80538bc91857ffbull, 0x2f6b5da5e9d6fbbaull, 0xa5097e5420ce81abull, 0x5998e65a524c3825ull}},
    {74, 20, {0xeb103a784842dfa5ull, 0xa13a11d1d98407abull, 0xffbee420f0bd9b79ull, 0xd83633e593a7e153ull,
        0xff091e664a8b70dbull, 0x6ad763ada795f7e8ull, 0xc27991d57456043full, 0x5998e65a524c3825ull}},
    {75, 20, {0xeb103a784842dfa5ull, 0x23d2c02e99e75585ull, 0x8ddfcbd9429a8959ull, 0xbddeb5c05b536889ull,
        0xe7c6e647c838215full, 0x64f3ad917d29811eull, 0xe8d4e09267893438ull, 0x5998e65a524c3825ull}},
    {76, 20, {0xeb103a784842dfa5ull, 0x6bc489a9a5020948ull, 0x706aac3eff35f119ull, 0xd6ffb7ce3754f459ull,
        0x43c6612f67cecc59ull, 0x37993e0f2c7bfce5ull, 0x3ec65273211a4533ull, 0x5998e65a524c3825ull}},
    {77, 13, {0xeb103a784842dfa5ull, 0x8c217912925970cbull, 0xb487a31a22171655ull, 0xc4dd4b2bb7874391ull,
        0xa8a7aac09c2fd585ull, 0x5f5fc79064b3b8b1ull, 0x11fd2cd3d4a44b89ull, 0x5998e65a524c3825ull}},
    {78, 13, {0xeb103a784842dfa5ull, 0x50221fb9f8f0be9full, 0x3902d92257afc645ull, 0xd06a162cc3d9b2c1ull,
        0x4bb7688c4e62e705ull, 0x0a98f4ca6de2c6e1ull, 0xb23df6c30949cef5ull, 0x5998e65a524c3825ull}},
    {79, 13, {0xeb103a784842dfa5ull, 0x1f8ab443eba5441bull, 0xbf51a6d74b044065ull, 0x6b7701d51a21eb81ull,
        0x87fd3c1a30af36c5ull, 0x91778ea6871fdab9ull, 0xacb2be69f2e51991ull, 0x5998e65a524c3825ull}},
    {80, 13, {0xeb103a784842dfa5ull, 0x878500e4298381cfull, 0xe0f842ace62b5865ull, 0x2ad1abeb0e15a2e1ull,
        0xf8f6c4163f62dd85ull, 0x9a3b178fd17a3d11ull, 0xb997e9e2c30b9fbdull, 0x5998e65a524c3825ull}},
    {81, 13, {0xeb103a784842dfa5ull, 0x9b4f7e815f6f1a5dull, 0xd729efe3f7dfa29dull, 0xeb93763949bbccd1ull,
        0x40f3bda5297847c5ull, 0xca783a765fe7b9b1ull, 0x414cb6e5e15094e5ull, 0x5998e65a524c3825ull}},
    {82, 13, {0xeb103a784842dfa5ull, 0x011a135c88bd2805ull, 0x7d580487a9bd96a5ull, 0x37b27452fada6ca9ull,
        0x21841f30f8869585ull, 0xfd65daa81db0e849ull, 0x0f849219e170198dull, 0x5998e65a524c3825ull}},
    {83, 13, {0xeb103a784842dfa5ull, 0xd8fed43829d35b91ull, 0x90a9a1f7cdb777b5ull, 0x65310fd2a90b45c5ull,
        0x4bb7688c4e62e705ull, 0x06277ec05778db5bull, 0x10fce8b29ac663d5ull, 0x5998e65a524c3825ull}},
    {84, 13, {0xeb103a784842dfa5ull, 0xdb55ec5dca76bc35ull, 0xfd97f9acefe83d35ull, 0x3a654c18eb730d03ull,
        0xf8f6c4163f62dd85ull, 0x3815bcc61093c635ull, 0x0603aabb9c21c659ull, 0x5998e65a524c3825ull}},
    {85, 13, {0xeb103a784842dfa5ull, 0x2a4aaa88398d3b57ull, 0xe0825db9397f28faull, 0xa703df96c350efacull,
        0xd9d7a067aba68384ull, 0x972a277e15d5800cull, 0x522557fcce7a52f8ull, 0x15732498ca0caea3ull}},
    {86, 13, {0xeb103a784842dfa5ull, 0xb02c836b7606abbdull, 0x1d78a0965862c631ull, 0xf6cad0ae139b88b5ull,
        0x4258aad361ef44f1ull, 0x1db10505369901f1ull, 0x333d0cef5520b501ull, 0x5998e65a524c3825ull}},
    {87, 8, {0xeb103a784842dfa5ull, 0x3a91d9a0b9a41bedull, 0xadbf85da57098625ull, 0x5c307671f3cfc355ull,
        0xbc15c026979d1575ull, 0x472379648491db9dull, 0x5998e65a524c3825ull, 0x5998e65a524c3825ull}},
    {88, 13, {0xeb103a784842dfa5ull, 0xb05f1c8ac372c39dull, 0xb41c0c2655be2205ull, 0x4ded75a330602bb5ull,
        0xb8d8462f998335b5ull, 0xdf070ab5b9c2ab9full, 0xa6175f9162c337e5ull, 0x5998e65a524c3825ull}},
    {89, 13, {0xeb103a784842dfa5ull, 0x38c21a21a9221875ull, 0x2fd3146b713f015dull, 0xebe3c8bef62caf25ull,
        0x87fd3c1a30af36c5ull, 0x3e0278b1352b5bd7ull, 0x48c18036236194cdull, 0x5998e65a524c3825ull}},
    {90, 13, {0xeb103a784842dfa5ull, 0xe62f4fc41d1af8cdull, 0x2ba7e6733663efd5ull, 0x2c3ebcf7bba059b5ull,
        0x937ea03b4946170dull, 0xa408be0f2d0bdb0full, 0x8f42438531cb06f5ull, 0x5998e65a524c3825ull}},
    {91, 13, {0xeb103a784842dfa5ull, 0x7915811dac38fed5ull, 0xe318e088d0a5b4fdull, 0x96ad11e1b9315885ull,
        0xa8a7aac09c2fd585ull, 0xa805c4525456e0afull, 0x8604104a2e4c70edull, 0x5998e65a524c3825ull}},
    {92, 13, {0xeb103a784842dfa5ull, 0x4a50742ea32e576dull, 0x81a3bfad9d704685ull, 0x6f6bb6227d84a005ull,
        0x6ebd3b1c66764f25ull, 0x8a1554003acb898dull, 0x6ea8b2a161eb172dull, 0x5998e65a524c3825ull}},
    {93, 13, {0xeb103a784842dfa5ull, 0x6359b5e3fd59076dull, 0xb76dceb506bc7325ull, 0x1d6b5af6ab02e695ull,
        0x9e1d08496a86e915ull, 0x0191f6a98bcef8b5ull, 0xe2250265228fde75ull, 0x5998e65a524c3825ull}},
    {94, 13, {0xeb103a784842dfa5ull, 0x3c6b9162e42adbb5ull, 0x4b8581f055ebd155ull, 0x543ba00137e46aa1ull,
        0x25a83ea44ebe8c95ull, 0x436959baac8c28b9ull, 0x3d9dcae8823e6eadull, 0x5998e65a524c3825ull}},
    {95, 13, {0xeb103a784842dfa5ull, 0xa06a491dc1a630adull, 0xbadfd200f25203cdull, 0xe647d65508f0a769ull,
        0xf93aa8db09125605ull, 0xbffdbe6493446b21ull, 0xa9ffd535aa5ba3a5ull, 0x5998e65a524c3825ull}},
    {96, 12, {0xdda2f7f0b423d3a5ull, 0xd33b5780e1a29225ull, 0xb2c417683d211325ull, 0x7edb49c99115f1a5ull,
        0x2f642d3c03161d25ull, 0x16a89a45facccba5ull, 0x9893a27ae3ac2ba5ull, 0x5998e65a524c3825ull}},
    {97, 12, {0xabfb67ce0c5bd055ull, 0x8edc2427b0521565ull, 0xe5823f65728c24b5ull, 0x7f0307d7510c0245ull,
        0xe873a8103a0d4b75ull, 0x1639be19c4baa745ull, 0x273cd53ec42ae275ull, 0x5998e65a524c3825ull}},
    {98, 15, {0xbc735842e74a16d1ull, 0xee6eab5996997a35ull, 0x19ad9db9f6e083a5ull, 0x76e1e7249762f645ull,
        0x2bef7ddb6e6a8c09ull, 0xeb22ff76f910364dull, 0xd2db9cbe5ce4d6e5ull, 0x5998e65a524c3825ull}},
    {99, 13, {0x0a88c7bb5156448bull, 0x24e992af10f0fbcdull, 0x7c31321b38d5be6aull, 0xede2911605329f69ull,
        0x662d3500c2af8eeaull, 0x0b4a5c7327c8cc15ull, 0x064d4cf80be236f5ull, 0x5998e65a524c3825ull}},
    {100, 121, {0x1e1572f976c4d1d3ull, 0x1f305ea74fa4f589ull, 0x6158def5b47096c2ull, 0xfa3801eaaab0ce7eull,
        0x40814566625261a7ull, 0x31b490b1c910429bull, 0x14bab1ee04f3f8f6ull, 0x5998e65a524c3825ull}},
    {101, 34, {0xc4a13d8e4829d2c5ull, 0x3c5edb31703e42d5ull, 0x7c3c5c6ce4c5d8f5ull, 0x078050871eed3f65ull,
        0xde2b2c3b437db115ull, 0xe64fecb5fe8f3c85ull, 0x0dcebf137965d865ull, 0xd8d32c2b1e4ef685ull}},
    {102, 37, {0xbd2b870dcb0c2e15ull, 0x6e7bd5e4f10ff671ull, 0x2b11a408f18c3552ull, 0x80034716b2ba350bull,
        0xf177384dbbfff098ull, 0xac07e0048309be18ull, 0x11caf0c72ba5f5a8ull, 0xc3cbb9dfb3cb3ba8ull}},
    {103, 12, {0x2626f54e5e9bb385ull, 0x501ff93f7b820c05ull, 0x32bca03a0831f5e5ull, 0x37672c29829574a5ull,
        0x2dfe5495d8b18055ull, 0xe4f3d694c36136c5ull, 0xf4246b28294418b5ull, 0x5998e65a524c3825ull}},
    {104, 12, {0xf671a58b3751a78dull, 0x3f8b38260d7ffe55ull, 0x18e4bf6dce537705ull, 0x076b2ed4167bce91ull,
        0xe4f8715f598519d1ull, 0x9175039e87b78065ull, 0xb3fd6a3f5c6c616dull, 0x5998e65a524c3825ull}},
    {105, 12, {0x01cbcc947b22ced9ull, 0x9329dcef365a4cf5ull, 0x1324ec9b3b1582b5ull, 0x416466c314fcce2dull,
        0x3bbd007fdac08825ull, 0x7920293ab5e3d6e5ull, 0xb5d1d34ea88a577dull, 0x5998e65a524c3825ull}},
    {106, 12, {0x8327ffb025afddf5ull, 0xcc3554ecb55984b5ull, 0xb0a19ebbe634abc5ull, 0x2ae68ecf926d0cf1ull,
        0x93aa4aeb198a38c1ull, 0x00e6ca5cd1fa6ee5ull, 0xdbb987405bd2a21dull, 0x5998e65a524c3825ull}},
    {107, 12, {0x78b668399c0159b9ull, 0x9d561eb609bc3d95ull, 0xac1e5cf4bc659cb5ull, 0x4edd533a729a8655ull,
        0x9a320d33630c41bdull, 0x27bd71eaca5c35e5ull, 0x718d623e34913e5dull, 0x5998e65a524c3825ull}},
    {108, 12, {0x74951e6583d1a8f5ull, 0xd8e858d88efa56f5ull, 0xb9e503603fe990f5ull, 0xa535587b70601f55ull,
        0xd8d0d097f4380a35ull, 0xd358600c326b5955ull, 0x437df164a7234175ull, 0x5998e65a524c3825ull}},
    {109, 12, {0x391a11469748aa65ull, 0xb93046931ada63a5ull, 0x61379bf2ace102a5ull, 0xe64905b27a2f1865ull,
        0x9502b3489d700c65ull, 0x869b42b5e2f7a325ull, 0x0aa3554050f929a5ull, 0x5998e65a524c3825ull}},
    {110, 12, {0x6b3c0a4fd3de6a05ull, 0xbadc9c81b10168a5ull, 0xedc6bc3dcbe689e5ull, 0xfbee540a465dcfa5ull,
        0x10560ae60bb02bc5ull, 0x17d2d6b4382ceb05ull, 0xf5cc3beb71d464a5ull, 0x5998e65a524c3825ull}},
    {111, 12, {0x6d678e813e09b865ull, 0xe81049d4041470a5ull, 0x5ccf4fd50731c4a5ull, 0x5cdbe94857f63d65ull,
        0xea50a0dfedce2765ull, 0x321702570250e325ull, 0xa94e7b6fea56b6a5ull, 0x5998e65a524c3825ull}},
    {112, 12, {0x8dc6b69d98be4205ull, 0x4fdaa48456394525ull, 0xb21f6c6ffa4d4905ull, 0x080d33cf569ce385ull,
        0x3895dd1abb1d7c45ull, 0x589a4b0ad6333bc5ull, 0x5730770baf1758e5ull, 0x5998e65a524c3825ull}},
    {113, 12, {0x3dafeee1e6dba2e5ull, 0xdeb2502c3f0045a5ull, 0x2fabc85ae8077ea5ull, 0xd72470530d822ae5ull,
        0x4ba80c3d4c586fe5ull, 0x678e123bc6ac4da5ull, 0x0b360d29cb327025ull, 0x5998e65a524c3825ull}},
    {114, 12, {0xa76c13588a036715ull, 0x835e508b398a8a05ull, 0xc4b23791f6e45385ull, 0x3c86f50ac02c2945ull,
        0xd731b1aa5018fa35ull, 0xd81f1cf5aece9245ull, 0x1afb5fd8ee08a985ull, 0x5998e65a524c3825ull}},
    {115, 4, {0x6f03fad599ed5ae5ull, 0x6f03fad599ed5ae5ull, 0x6f03fad599ed5ae5ull, 0xd7547a34159a1cc5ull,
        0xd7547a34159a1cc5ull, 0x38d2587acca23355ull, 0x38d2587acca23355ull, 0x01027f3eb4e6a6c5ull}},
    {116, 4, {0x547baa705634b025ull, 0x547baa705634b025ull, 0x547baa705634b025ull, 0x6a5e74d398c2eb2dull,
        0x6a5e74d398c2eb2dull, 0xb131d22569d98f0dull, 0xb131d22569d98f0dull, 0xcb0c83b09b2c37d9ull}},
    {117, 12, {0x5add189c976b7195ull, 0xa960ee6154194601ull, 0x10c93432fa66106dull, 0xcf0b3cbb7fd0a173ull,
        0x22a44bf6be17e1fbull, 0xe225429b89bd6689ull, 0x009d7271fe5c2d7dull, 0x5998e65a524c3825ull}},
    {118, 13, {0xe28725ab9a01a80dull, 0x8bb33ad92a968e4dull, 0xf6dd2188c3a7cf01ull, 0xcb0d4a7894555f1full,
        0x2b54a824880fd061ull, 0x083c1c2f2b2dc685ull, 0x132aae7831724831ull, 0x5998e65a524c3825ull}},
    {119, 12, {0xd52b3d42b8ee721bull, 0xad26dda74528c80bull, 0xd52e92ab0e477063ull, 0xd4c8091f92e86433ull,
        0x77aaac30712f3e7bull, 0xfef3608046c0138bull, 0x9395abd9d5517bfbull, 0x5998e65a524c3825ull}},
    {120, 13, {0xd070bdc9104a7a0bull, 0x0f778b93120b3d1bull, 0x5dc02b4b44e19237ull, 0x675440745c52c85bull,
        0xc855087b0deab70full, 0xcfeadbf7e65cb37bull, 0x1ae5fed8e65a894full, 0x5998e65a524c3825ull}},
};
// clang-format on

bool PrintMode() {
    const char* value = std::getenv("VORLANDITE_PRINT_GOLDEN");
    return value && std::string(value) == "1";
}

struct Sampled {
    int frames = 0;
    std::array<uint64_t, kSampleCount> hashes{};
};

Sampled RunAndSample(int effect) {
    // The seed is the effect number: fixed, and different between the effects that draw choices.
    TransitionRig rig{uint32_t(effect)};
    const RecordedRun run = rig.Run(OldPicture(kWidth, kHeight), NewPicture(kWidth, kHeight), effect, kSteps);
    Sampled sampled;
    sampled.frames = int(run.frames.size());
    if (run.frames.empty())
        return sampled;
    const std::size_t last = run.frames.size() - 1;
    for (int i = 0; i < kSampleCount; ++i)
        sampled.hashes[i] = Fnv1a64(run.frames[last * std::size_t(i) / (kSampleCount - 1)]);
    return sampled;
}

class GoldenFramesTest : public ::testing::TestWithParam<GoldenRow> {};

TEST_P(GoldenFramesTest, FramesMatchTheStoredHashes) {
    const GoldenRow& row = GetParam();
    const Sampled got = RunAndSample(row.effect);
    if (PrintMode()) {
        std::string line = "    {" + std::to_string(row.effect) + ", " + std::to_string(got.frames) + ", {";
        char hex[48];
        for (int i = 0; i < kSampleCount; ++i) {
            // Four hashes a line, so that the table stays readable.
            const char* separator = i == 0 ? "" : i % 4 == 0 ? ",\n        " : ", ";
            std::snprintf(hex, sizeof hex, "%s0x%016llxull", separator,
                          static_cast<unsigned long long>(got.hashes[i]));
            line += hex;
        }
        std::printf("%s}},\n", line.c_str());
        return;
    }
    ASSERT_GT(got.frames, 0) << "effect " << row.effect << " recorded no frames";
    ASSERT_EQ(got.frames, row.frames) << "effect " << row.effect << " recorded a different number of frames";
    for (int i = 0; i < kSampleCount; ++i)
        EXPECT_EQ(got.hashes[i], row.hashes[i]) << "effect " << row.effect << ", sample " << i;
}

std::string RowLabel(const ::testing::TestParamInfo<GoldenRow>& info) {
    char label[16];
    std::snprintf(label, sizeof label, "Effect%03d", info.param.effect);
    return label;
}

INSTANTIATE_TEST_SUITE_P(AllEffects, GoldenFramesTest, ::testing::ValuesIn(kGolden), RowLabel);

// The table itself: every effect once, in order, so none is left out of the comparison.
TEST(GoldenFramesTable, CoversEveryEffectOnceInOrder) {
    ASSERT_EQ(std::size(kGolden), 120u);
    for (std::size_t i = 0; i < std::size(kGolden); ++i)
        EXPECT_EQ(kGolden[i].effect, int(i) + 1);
}

} // namespace
} // namespace vorlandite::transitions
