// An empty main, built, linked and started exactly as randrange is: the least any program of
// this build can cost.
int main()
{
	return 0;
}
