#pragma once

// Digests of the golden cases (GoldenCases.cpp): the sound of the engine and the plug-in as it
// is meant to be, bit for bit. Generated; do not edit by hand. To regenerate:
//
//   cmake --build build --target golden_generate
//   build/tests/golden/golden_generate > tests/golden/GoldenReferences.h
//
// Regenerate only when the sound is meant to change, and say so in the commit. A change of speed,
// structure or robustness must reproduce every digest as it stands.

#include "GoldenCases.h"

namespace golden
{
/// zReverb driven directly.
inline constexpr Reference engineReferences[] = {
    { "impulse_defaults_44k_b512",
      { { 0x530df6a08e5ea770ull, 0xb0220922ac513dedull, 0x625f073f1cae2ee7ull, 0x38ee1831bf14b8cfull, 0x3ffe2a6af2780350ull, 0xa730c01788c3ffd4ull, 0xa50c756e63d53cc2ull, 0xbf182ea87adb45d4ull },
    0xe8a6a13e2ff76210ull,
    { 0xbd77f8a2, 0x2f6e4cbc, 0xbb92f9f0, 0x2fa3a6ad, 0xbb36ab3e, 0x2fa7435a, 0xbad0b208, 0x2fa8c7b9 },
    { 0x3905454d, 0x389f4190, 0xb94cc9a6, 0x39805ca3, 0xba03c5e4, 0x3a182c03, 0xb9ba98f1, 0x3a20edf8 } } },
    { "noise_largest_sizes_22k_b64",
      { { 0x0e35ca3f7cd6305eull, 0xcb688299c428a3fcull, 0xcc92d2c09d4216c8ull, 0xca173e46347130e3ull, 0x075ab0f5df56aee7ull, 0xe4d15387310af83full, 0xaaa6a1ba4e1db241ull, 0x0b21163ef2ec0722ull },
    0xf181c8f611302cd3ull,
    { 0x3d89a0aa, 0xbd37bbc8, 0xbc46d408, 0xbd3ad6c5, 0xbe0904c4, 0xbe1b7404, 0xbdcfec10, 0xbdc6c680 },
    { 0x3e32eb94, 0x3dcd64f0, 0x3d892288, 0x3d46f756, 0x3ec2bd4c, 0x3e51446f, 0x3d95d014, 0x3dea0476 } } },
    { "impulse_sections_off_48k_b1",
      { { 0xa3168d52df53d042ull, 0x98a50631f742c87cull, 0xbc6f898a27c5107cull, 0x7acb34ff6a47587cull, 0x6a066d11bec9a07cull, 0x818f9641254be87cull, 0x19f5150d9dce307cull, 0xece54df72850787cull },
    0xdb0570ce916f0676ull,
    { 0x3f8a07c3, 0x2edb953f, 0x3d426ba0, 0x2ed7846a, 0x3cdbbb9c, 0x2ed3964f, 0x3c4e1780, 0x2ecfcbdf },
    { 0x2e6bd42a, 0x2e6bd4a2, 0x2e6bd42a, 0x2e6bd4a2, 0x2e6bd42a, 0x2e6bd4a2, 0x2e6bd42a, 0x2e6bd4a2 } } },
    { "noise_bypass_and_changes_96k_b64",
      { { 0xf23f3f0b85dbcaacull, 0xc4bc380011fd2261ull, 0xa652b2148f50ff95ull, 0x7716bbf6cd91f687ull, 0xdadeff4565c98eb8ull, 0xab9c6938dfa2adf0ull, 0xe61642f0366ab6c9ull, 0x0abccb7c7ef2a6eaull },
    0x71cbaee7d4df62bbull,
    { 0xbc80b1de, 0x3c2bcee1, 0x3ba93abc, 0x3c1541eb, 0x3cff3b72, 0x3d0a1539, 0x3c9935e8, 0x3c8f0852 },
    { 0x2cb5d61c, 0x2edb1a0e, 0x2cc0be14, 0x2edb06f8, 0x2ccb9ca8, 0x2edaf3fe, 0x2cd672cc, 0x2edae126 } } },
    { "noise_control_sweep_192k_b512",
      { { 0xd8d305dcd5de6ca2ull, 0xa1c6ea46c74e20cfull, 0x2e4e7d8659a1a04bull, 0x6fc2e15b19dd85fcull, 0x219876293a8cfb2eull, 0x6f0d29e93ec6a701ull, 0xfd2870d8ca1bee04ull, 0x515b66dd1cd8b6daull },
    0xb46e62ba60255d5aull,
    { 0x3cbb41e9, 0xbc79fd4f, 0xbbf48e88, 0xbc59bcec, 0xbd391dfb, 0xbd49776c, 0xbcde418e, 0xbcd30ca2 },
    { 0xbbc56a42, 0x2f306bca, 0xbcac9485, 0x2f306c48, 0x3c2f09d3, 0x2f306cc6, 0xbb7e242a, 0x2f306d42 } } },
    { "long_noise_wraps_every_line_44k_b512",
      { { 0x3e33b71d5adf974eull, 0xddfcbf5f1fde531dull, 0x563e0e77bd3b804dull, 0x1a5ae2b358cd9671ull, 0x1db4c8059366e406ull, 0x7e83d59c5e5346b2ull, 0x484cc1328fb82831ull, 0x0d41751ea63a4b3eull },
    0x0883dd90abe660d6ull,
    { 0xbb85a9c4, 0x3b3270e0, 0x3aa510c2, 0x3b1e9703, 0x3c04f014, 0x3c103807, 0x3ba5e1b0, 0x3b996516 },
    { 0xbdb49ab4, 0x3cbe7984, 0x3d931dfb, 0x3c50dccc, 0x3e2f5d1c, 0xbc7edd22, 0x3db4268e, 0x3c5f5965 } } },
};

/// The processor, and the VST 2.4 library that wraps it.
inline constexpr Reference pluginReferences[] = {
    { "impulse_defaults_44k_b512",
      { { 0xc71f9551c90c7974ull, 0x305718a57d50a01bull, 0xcd9136772ca4a93bull, 0x21c5116325919ad6ull, 0xffe360b529ecbadeull, 0x54f8ac889a48549eull, 0x72ec35fe29541d33ull, 0x8a560a69f4853afbull },
    0x596af5dd6cba6cb3ull,
    { 0x3ef08076, 0x2eee4cbc, 0xbb12f9f0, 0x2f23a6ad, 0xbab6ab3e, 0x2f27435a, 0xba50b208, 0x2f28c7b9 },
    { 0x38854589, 0x381f40a6, 0xb8ccc957, 0x39005c52, 0xb983c5c6, 0x39982bce, 0xb93a98c0, 0x39a0edcd } } },
    { "noise_maxima_48k_b64",
      { { 0x8df9407cdca1d4abull, 0x6dc8bbbe3af843e8ull, 0x32dc0e76e7d6f1ceull, 0x95dc24c4618dc6e2ull, 0x2b0719380ab4a800ull, 0xdec7e43b96ac1ccbull, 0xdb3da33dfe4e4bf8ull, 0x7f0c038d21e2a297ull },
    0xd69d3b3a50b171efull,
    { 0x3e8051bc, 0xbe2b4e8c, 0xbd7dce70, 0xbe22c898, 0xbefb4fa6, 0xbf0eeb7f, 0xbeabd22a, 0xbeab77d5 },
    { 0x2fcfd458, 0x2fcf5df8, 0x2f7f4018, 0x2fcf61bb, 0x2fc34d48, 0x2fcf6553, 0x2fc6541c, 0x2fcf68cb } } },
    { "impulse_minima_22k_b512",
      { { 0xd4a451cfefa4147dull, 0x90412f4b9690147dull, 0xfbd005bd3d7c147dull, 0xd68bd524e468147dull, 0x5faf9d828b54147dull, 0x56765ed63240147dull, 0xfa1b191fd92c147dull, 0x09d8cc5f8018147dull },
    0x0cb3611e27d206f7ull,
    { 0x3e8dc368, 0x2dda44b0, 0x3c83625a, 0x2dd1ba4c, 0x3a19a2f7, 0x2dc9d6ab, 0xbbb667e4, 0x2dc298d2 },
    { 0x2d6cf259, 0x2d6cf289, 0x2d6cf259, 0x2d6cf289, 0x2d6cf259, 0x2d6cf289, 0x2d6cf259, 0x2d6cf289 } } },
    { "noise_no_decay_no_diffusion_96k_b1",
      { { 0x98e77993e4e8b828ull, 0x5bf3c6d867ba2a95ull, 0x002fa3efea928271ull, 0xf88e623894e2e152ull, 0x7a449010f41a57f3ull, 0x906e24899879bc54ull, 0xb857551bec4879ebull, 0x5f716b751c53c242ull },
    0x683b590a66e8d68dull,
    { 0x3df97099, 0xbda6806b, 0xbd3a459b, 0xbd893711, 0xbe79dc4e, 0xbe82c13c, 0xbe0b5d37, 0xbdf3d283 },
    { 0x3b9def88, 0xbdd893cd, 0x3ba6e361, 0x3e05ccb9, 0x3bae6418, 0xbe08991e, 0x3bb499d1, 0xbd0dd2ed } } },
    { "noise_listener_ends_192k_b64",
      { { 0xb6ba10bb367872a9ull, 0x91e39ebc8a3b7574ull, 0x42f9105e6d20d30aull, 0x1dc312b337023eb4ull, 0x32e5cdb606a5570aull, 0x3871abe23735dcdfull, 0x2f861cc9d44f6427ull, 0xed4b1bb7217d1b33ull },
    0x58e359ab507cdac6ull,
    { 0xbc7e615c, 0x3c29cca7, 0x3bb16df8, 0x3c101d83, 0x3cfd205e, 0x3d07288a, 0x3c92df6d, 0x3c8631e8 },
    { 0x2e6bd512, 0x2e6bd512, 0x2e6bd512, 0x2e6bd512, 0x2e6bd512, 0x2e6bd512, 0x2e6bd512, 0x2e6bd512 } } },
    { "noise_mix_in_blocks_44k_b512",
      { { 0x269d76440823e882ull, 0x5cc27cd85d09b9b6ull, 0x9d2facc28a474355ull, 0x5ea9324fe8b400dfull, 0xbea6360d4603cad3ull, 0x3081d6509accfa27ull, 0xb93da5bd80890449ull, 0x564f8de2d4716e3eull },
    0xbec3b5ff08b18f21ull,
    { 0x3e3578e4, 0xbdf24428, 0xbd878430, 0xbdc7a738, 0xbeb5c740, 0xbebe40d4, 0xbe4ac7b4, 0xbe3162a8 },
    { 0xbbd36e3f, 0xbbd73af8, 0xbc05a6c6, 0x3bef834c, 0xbba1b0cf, 0x3aa36f90, 0x3b1ee5ed, 0x3c427e0b } } },
    { "noise_selectors_in_blocks_48k_b64",
      { { 0x6b02c14444bf3af4ull, 0xbb5ea5c853204468ull, 0xbc76dbbf1dbfe5a4ull, 0xbf292bb373fffc58ull, 0xb56c1e38563fe67dull, 0xe380007be31b36e2ull, 0xd6bbf24172a801fdull, 0x6ce00c3b495d51b9ull },
    0xe34edd29f8434835ull,
    { 0x3daa8534, 0xbd63a538, 0xbd00e0ca, 0xbd3a9373, 0xbe2aea2a, 0xbe326470, 0xbdbd1e4c, 0xbda495e3 },
    { 0x3d04e727, 0xbd8b224c, 0xbcd206b7, 0x3d4d7221, 0x3e0236f3, 0x3d0ea4c9, 0x3e1c88bd, 0xbbab98e4 } } },
    { "noise_power_in_blocks_96k_b512",
      { { 0x2202be8a7b2c2251ull, 0x4fa852bd0fccfc38ull, 0x0817a3330a60c1b8ull, 0x26554408ead0de55ull, 0xdd04dd62b29b5e55ull, 0x2f025ab65564ec17ull, 0xa0f5dc5e6b6c4419ull, 0x3f0fa8508689b9a4ull },
    0x713bd6b71aae851bull,
    { 0x3ea9ed7c, 0xbe62daac, 0xbdff9bdf, 0xbe3a585f, 0xbf2a50d8, 0xbf31e690, 0xbebd220e, 0xbea4bd93 },
    { 0xbc75af8d, 0xbbad509b, 0xbc5a4089, 0xbc8243cf, 0x39a2ea52, 0xbb6d6149, 0x3c2e01ff, 0x3c9edef5 } } },
    { "impulse_right_only_22k_b1",
      { { 0xa9880baf0bc96dd8ull, 0x336efa2ee81335d3ull, 0x44d661240834fd99ull, 0xeb2579c73b32ad20ull, 0xfe92201cd45145b4ull, 0xc2ecce8b72d8dc2dull, 0x79a09196338ca984ull, 0x9c1e4b7ef417029eull },
    0x22a334635453ef2full,
    { 0x2f0a0186, 0x2f0a0186, 0x2f3f61c8, 0x2f3f61c8, 0x2f42948c, 0x2f42948c, 0x2f405d5d, 0x2f405d5d },
    { 0xb3b11803, 0x398642df, 0x38821dc9, 0x38a892ed, 0x37ec7d06, 0xb7d9f317, 0x379be210, 0xb8b6fbc2 } } },
    { "noise_left_only_power_off_192k_b64",
      { { 0xda7ed2df987df96dull, 0x48ba682314a02ea9ull, 0xca6655dd684f02edull, 0xe83d8587960a87d5ull, 0xa191ab03544fc7d5ull, 0x3a1bbc24629507d5ull, 0x690a0ceac0da47d5ull, 0xba8af1566f1f87d5ull },
    0x3e1008cd8070d1f2ull,
    { 0x3e3578e4, 0x3e3578e4, 0xbd878430, 0xbd878430, 0xbeb5c740, 0xbeb5c740, 0xbe4ac7b4, 0xbe4ac7b4 },
    { 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000, 0x00000000 } } },
};
} // namespace golden
