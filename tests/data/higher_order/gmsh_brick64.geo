// A box of 64-node bricks (third order, complete): gmsh writes them under
// the linear brick id FE 115 with a node count of 64 (eight node records)
// and the 16-node quadrangles of the grouped faces under FE 94 (two
// records); after each element of a node count that is a multiple of 8 it
// writes an empty line.
// Made with:  gmsh -3 gmsh_brick64.geo -format unv -o gmsh_brick64.unv
Point(1) = {0, 0, 0};
Point(2) = {1, 0, 0};
Point(3) = {1, 1, 0};
Point(4) = {0, 1, 0};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Transfinite Curve{1, 2, 3, 4} = 5;
Transfinite Surface{1};
Recombine Surface{1};
out[] = Extrude {0, 0, 0.5} { Surface{1}; Layers{3}; Recombine; };
Physical Volume("BOX") = {out[1]};
Physical Surface("INLET") = {out[5]};
Physical Surface("BOTTOM") = {1};
Physical Surface("WALLS") = {out[0], out[2], out[3], out[4]};
Mesh.ElementOrder = 3;
