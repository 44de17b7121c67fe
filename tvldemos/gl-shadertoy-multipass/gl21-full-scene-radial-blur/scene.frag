#version 120
// A turning polar checkerboard of saturated colours: sharp both along and
// across the rays from the centre.
varying vec2 v_uv;
uniform float u_time;
uniform vec2 u_resolution;
void main() {
  vec2 p = (2.0 * gl_FragCoord.xy - u_resolution) / u_resolution.y;
  float a = atan(p.y, p.x) + u_time * 0.3;
  float r = length(p);
  float sector = floor(a * 12.0 / 6.2832);
  float ring = floor(r * 6.0 - u_time * 0.5);
  float check = mod(sector + ring, 2.0);
  vec3 hue = 0.5 + 0.5 * cos(sector * 0.7 + ring * 1.3 + vec3(0.0, 2.1, 4.2));
  gl_FragColor = vec4(mix(hue * 0.15, hue, check), 1.0);
}
