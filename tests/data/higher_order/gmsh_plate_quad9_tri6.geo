// A plate of two parts, second order, complete: the recombined part gives
// 9-node quadrangles, which gmsh writes under the linear id FE 94 with a
// node count of 9 (two node records), the other 6-node triangles (FE 92);
// the grouped edges are 3-node beams (FE 24).
// Made with:  gmsh -2 gmsh_plate_quad9_tri6.geo -format unv -o gmsh_plate_quad9_tri6.unv
Point(1) = {0, 0, 0, 0.12};
Point(2) = {1, 0, 0, 0.12};
Point(3) = {1, 1, 0, 0.12};
Point(4) = {0, 1, 0, 0.12};
Point(5) = {2, 0, 0, 0.12};
Point(6) = {2, 1, 0, 0.12};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Line(5) = {2, 5}; Line(6) = {5, 6}; Line(7) = {6, 3};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Curve Loop(2) = {5, 6, 7, -2}; Plane Surface(2) = {2};
Transfinite Curve{1, 2, 3, 4} = 9;
Transfinite Surface{1};
Recombine Surface{1};
Physical Surface("QUADS") = {1};
Physical Surface("TRIS") = {2};
Physical Curve("INLET") = {4};
Physical Curve("OUTLET") = {6};
Mesh.ElementOrder = 2;
