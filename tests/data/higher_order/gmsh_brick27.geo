// A box of 27-node bricks (second order, complete): gmsh writes them under
// the linear brick id, FE 115, with a node count of 27 (four node records),
// and the 9-node quadrangles of the grouped faces under FE 94 (two records).
// Made with:  gmsh -3 gmsh_brick27.geo -format unv -o gmsh_brick27.unv
Point(1) = {0, 0, 0};
Point(2) = {1, 0, 0};
Point(3) = {1, 0.8, 0};
Point(4) = {0, 0.8, 0};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Transfinite Curve{1, 3} = 6;
Transfinite Curve{2, 4} = 5;
Transfinite Surface{1};
Recombine Surface{1};
out[] = Extrude {0, 0, 0.6} { Surface{1}; Layers{4}; Recombine; };
Physical Volume("BOX") = {out[1]};
Physical Surface("INLET") = {out[5]};
Physical Surface("OUTLET") = {out[3]};
Physical Surface("BOTTOM") = {1};
Physical Surface("TOP") = {out[0]};
Mesh.ElementOrder = 2;
