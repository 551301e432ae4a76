// One layer of 18-node wedges (second order, complete), extruded from a
// triangle mesh: gmsh writes them under the linear wedge id FE 112 with a
// node count of 18 (three node records); the grouped end faces are 6-node
// triangles (FE 92), the grouped side 9-node quadrangles (FE 94).
// Made with:  gmsh -3 gmsh_wedge18.geo -format unv -o gmsh_wedge18.unv
Point(1) = {0, 0, 0, 0.15};
Point(2) = {1.2, 0, 0, 0.15};
Point(3) = {1.2, 1, 0, 0.15};
Point(4) = {0, 1, 0, 0.15};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
out[] = Extrude {0, 0, 0.2} { Surface{1}; Layers{1}; Recombine; };
Physical Volume("LAYER") = {out[1]};
Physical Surface("BOTTOM") = {1};
Physical Surface("TOP") = {out[0]};
Physical Surface("SIDE") = {out[2]};
Mesh.ElementOrder = 2;
