#include "demos/DemoCatalogue.h"

const DemoDescriptor* g_currentCatalogue = nullptr;

const DemoDescriptor kGlDemoCatalogue[kGlDemoCount] = {
    {"GL 4.x - Tessellation",
     "Tessellation of a triangle by the hardware tessellator.\r\n"
     "Requires an OpenGL 4.0 core profile context.\r\n"
     "Requires an NVIDIA GeForce GTX 400+ or an ATI Radeon HD 5000+.",
     "https://www.quorvel.example/benchmarks/gl4-tessellation"},
    {"GL 3.x - Illuminated Torus",
     "A torus lit by several dynamic lights.\r\n"
     "Requires an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 2000+.",
     ""},
    {"GL 3.x - Triangle of Death",
     "A simple triangle, the smallest OpenGL 3 program.\r\n"
     "Requires an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 2000+.",
     ""},
    {"GL 2.1 - Furry Cube",
     "Fur rendering with a multipass algorithm and a GLSL shader.\r\n"
     "Requires an NVIDIA GeForce 5+ or an ATI Radeon 9600+.",
     "https://www.quorvel.example/benchmarks/furry-cube"},
    {"GL 2.1 - HDR, DoF and RadialBlur",
     "High dynamic range rendering, depth of field, radial blur\r\n"
     "and a little chromatic aberration.\r\n"
     "Requires at least 2 render targets.",
     ""},
    {"GL 2.1 - HW Geometry Instancing",
     "An asteroid belt of 10000 asteroids of 800 triangles each,\r\n"
     "drawn with hardware geometry instancing.",
     ""},
    {"GL 2.1 - Soft Shadows",
     "Soft shadows with GLSL, a frame buffer object\r\n"
     "and a Poisson-disk filter.",
     ""},
    {"GL 2.1 - GLSL Point Sprite Particles",
     "A stateless point-sprite particle system\r\n"
     "drawn with a GLSL shader.",
     ""},
    {"GL 2.1 - Vertex Displacement Mapping",
     "Vertex displacement mapping: the vertex shader reads a texture\r\n"
     "(vertex texture fetch) to move the vertices.",
     ""},
    {"GL 2.1 - CEL-SHADING", "Cel-shading (toon shading) with a GLSL shader.", ""},
    {"GL 1.2 - Simple Mesh",
     "A torus mesh drawn without the programmable pipeline.\r\n"
     "Requires OpenGL 1.2.",
     ""},
};

const DemoDescriptor kClDemoCatalogue[kClDemoCount] = {
    {"CL GPU - 4D Quaternion Julia Set",
     "A 3D Julia fractal of a 4D quaternion function.\r\n"
     "The OpenCL kernel runs on the GPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL CPU - 4D Quaternion Julia Set",
     "A 3D Julia fractal of a 4D quaternion function.\r\n"
     "The OpenCL kernel runs on the CPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL GPU - 1M Particles",
     "A massive mouse-controlled particle system.\r\n"
     "The OpenCL kernel runs on the GPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL CPU - 1M Particles",
     "A massive mouse-controlled particle system.\r\n"
     "The OpenCL kernel runs on the CPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL GPU - Mesh Deformer",
     "A surface deformed by an OpenCL kernel.\r\n"
     "The OpenCL kernel runs on the GPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL CPU - Mesh Deformer",
     "A surface deformed by an OpenCL kernel.\r\n"
     "The OpenCL kernel runs on the CPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 4000+.",
     ""},
    {"CL GPU - Post FX",
     "A post processing effect with an OpenCL kernel.\r\n"
     "The OpenCL kernel runs on the GPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 5000+.",
     ""},
    {"CL CPU - Post FX",
     "A post processing effect with an OpenCL kernel.\r\n"
     "The OpenCL kernel runs on the CPU.\r\n"
     "Drawn with an OpenGL 3.2 core or 3.1 context.\r\n"
     "Requires an NVIDIA GeForce 8+ or an ATI Radeon HD 5000+.",
     ""},
};
