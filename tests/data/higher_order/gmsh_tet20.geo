// Third-order tetrahedra: gmsh writes the 20-node tetrahedron under the
// linear id FE 111 with a node count of 20 (three node records), and the
// 10-node triangles of the grouped faces under FE 91 (two records).
// Made with:  gmsh -3 gmsh_tet20.geo -format unv -o gmsh_tet20.unv
Point(1) = {0, 0, 0, 0.3};
Point(2) = {1, 0, 0, 0.3};
Point(3) = {1, 0.7, 0, 0.3};
Point(4) = {0, 0.7, 0, 0.3};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
out[] = Extrude {0, 0, 0.5} { Surface{1}; };
Physical Volume("SOLID") = {out[1]};
Physical Surface("INLET") = {out[5]};
Physical Surface("BOTTOM") = {1};
Mesh.ElementOrder = 3;
